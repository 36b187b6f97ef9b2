// Wine's CRT <math.h> with the functions libc++'s <cmath> names but Wine leaves out. In the MSVC
// ABI long double is double, so each long double function is its double one, exactly, as in
// Microsoft's own header. The few that ucrtbase.dll exports itself are declared only.
#include_next <math.h>

#ifndef OSTREVANE_CLANG_CL_MATH_SHIM
#define OSTREVANE_CLANG_CL_MATH_SHIM

#ifdef __cplusplus
extern "C" {
#endif

_ACRTIMP double __cdecl erfc(double);
_ACRTIMP float __cdecl erfcf(float);
_ACRTIMP long double __cdecl erfcl(long double);
_ACRTIMP double __cdecl nexttoward(double, long double);
_ACRTIMP float __cdecl nexttowardf(float, long double);
_ACRTIMP long double __cdecl nexttowardl(long double, long double);
_ACRTIMP long double __cdecl cbrtl(long double);

static __inline long double acosl(long double x) { return acos((double)x); }
static __inline long double asinl(long double x) { return asin((double)x); }
static __inline long double atanl(long double x) { return atan((double)x); }
static __inline long double acoshl(long double x) { return acosh((double)x); }
static __inline long double asinhl(long double x) { return asinh((double)x); }
static __inline long double atanhl(long double x) { return atanh((double)x); }
static __inline long double ceill(long double x) { return ceil((double)x); }
static __inline long double cosl(long double x) { return cos((double)x); }
static __inline long double coshl(long double x) { return cosh((double)x); }
static __inline long double erfl(long double x) { return erf((double)x); }
static __inline long double expl(long double x) { return exp((double)x); }
static __inline long double exp2l(long double x) { return exp2((double)x); }
static __inline long double expm1l(long double x) { return expm1((double)x); }
static __inline long double fabsl(long double x) { return fabs((double)x); }
static __inline long double floorl(long double x) { return floor((double)x); }
static __inline long double lgammal(long double x) { return lgamma((double)x); }
static __inline long double logl(long double x) { return log((double)x); }
static __inline long double log10l(long double x) { return log10((double)x); }
static __inline long double log1pl(long double x) { return log1p((double)x); }
static __inline long double log2l(long double x) { return log2((double)x); }
static __inline long double logbl(long double x) { return logb((double)x); }
static __inline long double nearbyintl(long double x) { return nearbyint((double)x); }
static __inline long double sinl(long double x) { return sin((double)x); }
static __inline long double sinhl(long double x) { return sinh((double)x); }
static __inline long double sqrtl(long double x) { return sqrt((double)x); }
static __inline long double tanl(long double x) { return tan((double)x); }
static __inline long double tanhl(long double x) { return tanh((double)x); }
static __inline long double tgammal(long double x) { return tgamma((double)x); }
static __inline long double atan2l(long double x, long double y) {
  return atan2((double)x, (double)y);
}
static __inline long double fdiml(long double x, long double y) {
  return fdim((double)x, (double)y);
}
static __inline long double fmaxl(long double x, long double y) {
  return fmax((double)x, (double)y);
}
static __inline long double fminl(long double x, long double y) {
  return fmin((double)x, (double)y);
}
static __inline long double fmodl(long double x, long double y) {
  return fmod((double)x, (double)y);
}
static __inline long double hypotl(long double x, long double y) {
  return hypot((double)x, (double)y);
}
static __inline long double nextafterl(long double x, long double y) {
  return nextafter((double)x, (double)y);
}
static __inline long double powl(long double x, long double y) { return pow((double)x, (double)y); }
static __inline long double remainderl(long double x, long double y) {
  return remainder((double)x, (double)y);
}
static __inline int ilogbl(long double x) { return ilogb((double)x); }
static __inline long double frexpl(long double x, int* e) { return frexp((double)x, e); }
static __inline long double ldexpl(long double x, int e) { return ldexp((double)x, e); }
static __inline long double scalbnl(long double x, int e) { return scalbn((double)x, e); }
static __inline long double scalblnl(long double x, long e) { return scalbln((double)x, e); }
static __inline long double remquol(long double x, long double y, int* q) {
  return remquo((double)x, (double)y, q);
}
static __inline long double modfl(long double x, long double* i) {
  double whole;
  const double fraction = modf((double)x, &whole);
  *i = whole;
  return fraction;
}

#ifdef __cplusplus
}
#endif

#endif
