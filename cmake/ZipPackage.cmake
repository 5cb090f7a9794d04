# CPack's External generator runs this script (CPACK_EXTERNAL_PACKAGE_SCRIPT)
# once the files are staged: it writes the plug-in's zip so that two
# packages of the same commit have the same bytes. CPack's own ZIP cannot:
# every entry carries the staged files' modification, access and change
# times, which no build controls. Here the entries go in name order, each
# with the same time (SOURCE_DATE_EPOCH when set, else the commit's time,
# else a fixed one outside a git checkout), the permissions install() set
# and no extra fields.
foreach(var CPACK_TEMPORARY_DIRECTORY CPACK_PACKAGE_FILE_NAME CPACK_SDLL_PYTHON
    CPACK_SDLL_SOURCE_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "ZipPackage.cmake: ${var} is not set")
  endif()
endforeach()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY ${CPACK_SDLL_SOURCE_DIR}
    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    # 1980-01-01 00:00:00 UTC, the earliest time a zip entry can carry.
    set(epoch 315532800)
  endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a count of seconds: ${epoch}")
endif()

# With staging on, the files lie in the folder named after the package.
set(staged ${CPACK_TEMPORARY_DIRECTORY})
if(IS_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME})
  set(staged ${CPACK_TEMPORARY_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME})
endif()
get_filename_component(zip ${CPACK_TEMPORARY_DIRECTORY}/../${CPACK_PACKAGE_FILE_NAME}.zip ABSOLUTE)
execute_process(
  COMMAND ${CPACK_SDLL_PYTHON} -c [=[
import os, sys, time, zipfile
staged, zip_path, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
# Zip times are local times of day in two-second steps from 1980: the
# commit's time in UTC.
stamp = time.gmtime(max(epoch, 315532800))[:6]
names = sorted(os.path.relpath(os.path.join(folder, name), staged).replace(os.sep, "/")
               for folder, _, files in os.walk(staged) for name in files)
with zipfile.ZipFile(zip_path, "w") as archive:
    for name in names:
        entry = zipfile.ZipInfo(name, stamp)
        path = os.path.join(staged, name)
        # Unix, so the permissions count: those install() gave, whatever the umask.
        entry.create_system = 3
        entry.external_attr = (0o100000 | os.stat(path).st_mode & 0o777) << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(path, "rb") as source:
            archive.writestr(entry, source.read(), compresslevel=9)
]=] ${staged} ${zip} ${epoch}
  RESULT_VARIABLE zip_result)
if(NOT zip_result EQUAL 0)
  message(FATAL_ERROR "ZipPackage.cmake: writing ${zip} failed")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})
