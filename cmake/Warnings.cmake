# Warnings are errors for our own targets; third-party headers come in as
# system includes and are not held to them.
add_library(sdll_warnings INTERFACE)
target_compile_options(sdll_warnings INTERFACE -Wall -Wextra -Werror)
