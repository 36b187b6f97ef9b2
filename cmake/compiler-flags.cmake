# The picture is bit-exact: no fused multiply-add, SSE2 arithmetic, nothing that relaxes IEEE rules.
if(MSVC)
  add_compile_options(/W4 /fp:precise)
else()
  add_compile_options(-Wall -Wextra -ffp-contract=off -msse2 -mfpmath=sse)
endif()
