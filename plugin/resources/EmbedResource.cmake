# Writes a C++ source holding one resource file's bytes as an array, the
# POSIX build's stand-in for the resource section of the Windows DLL.
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DTYPE=<type name> -DID=<integer> -P EmbedResource.cmake
foreach(var INPUT OUTPUT TYPE ID)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "EmbedResource.cmake: ${var} is not set")
  endif()
endforeach()

file(SIZE "${INPUT}" size)
if(size EQUAL 0)
  # A C++ array cannot be empty, and an empty resource is a mistake anyway.
  message(FATAL_ERROR "EmbedResource.cmake: ${INPUT} is empty")
endif()

file(READ "${INPUT}" hex HEX)
# Sixteen bytes to a line.
string(REPEAT "[0-9a-f]" 32 row)
string(REGEX REPLACE "(${row})" "\\1\n    " hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")

file(WRITE "${OUTPUT}.tmp" "/* Generated from ${INPUT} by EmbedResource.cmake; do not edit. */
#include \"platform/posix_resource.h\"

namespace platform {
namespace posix {
namespace {

const unsigned char kBytes[${size}] = {
    ${bytes}
};

}  // namespace

extern const EmbeddedResource kEmbeddedResources[] = {
    {\"${TYPE}\", ${ID}, kBytes, ${size}},
};
extern const size_t kEmbeddedResourceCount = 1;

}  // namespace posix
}  // namespace platform
")
# Only a changed source makes the library rebuild.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
