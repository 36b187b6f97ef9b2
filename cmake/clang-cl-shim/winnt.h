// Wine's <winnt.h> defines its own InterlockedCompareExchange128 for clang, under the name
// _InterlockedCompareExchange128 that clang-cl reserves for its builtin ("definition of builtin
// function"). Inside this header only, the definition takes another name.
#define _InterlockedCompareExchange128 __wine_InterlockedCompareExchange128
#include_next <winnt.h>
#undef _InterlockedCompareExchange128
