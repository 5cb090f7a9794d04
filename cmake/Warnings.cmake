# Warnings are errors for our own targets; third-party headers come in as
# system includes and are not held to them.
add_library(sdll_warnings INTERFACE)
target_compile_options(sdll_warnings INTERFACE -Wall -Wextra -Werror)
# Debug builds also have the C++ library check its bounds, so an index one
# past a table aborts the test that made it instead of reading a neighbour.
target_compile_definitions(sdll_warnings INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
