# Packs ZELRPT.E01 with Debian's zip: every file of FILES ("|"-separated) at the
# top level, and the directory SAMPLES as "samples/" when it exists. Each program
# named in PROGRAMS ("|"-separated) is packed as NAME.bin with the LAUNCHER script
# as NAME, so that the installed program finds the engine libraries setup placed.
# Run as: cmake -DARCHIVE=.. -DFILES=.. -DPROGRAMS=.. -DLAUNCHER=.. -DSAMPLES=.. -DSTAGE=..
#         [-DRUNTIME=.. -DRUNTIME_DIR=..] -P make_archive.cmake
cmake_minimum_required(VERSION 3.20)
find_program(ZIP zip REQUIRED)
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
string(REPLACE "|" ";" files "${FILES}")
string(REPLACE "|" ";" programs "${PROGRAMS}")
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME)
  if(name STREQUAL "archive_readme.txt")
    set(name README.TXT)
  endif()
  if(name IN_LIST programs)
    file(COPY_FILE ${LAUNCHER} ${STAGE}/${name})
    file(CHMOD ${STAGE}/${name} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(name ${name}.bin)
  endif()
  file(COPY_FILE ${f} ${STAGE}/${name})
  file(CHMOD ${STAGE}/${name} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(NOT name MATCHES "\\.(so|TXT|png|xml|in)$")
    file(CHMOD ${STAGE}/${name} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
# RUNTIME (Windows) lists further files beside the programs, one a line,
# relative to RUNTIME_DIR (the programs' directory); they keep their subdirectories.
if(RUNTIME)
  file(STRINGS ${RUNTIME} runtime_files)
  foreach(f IN LISTS runtime_files)
    get_filename_component(sub ${f} DIRECTORY)
    if(sub)
      file(MAKE_DIRECTORY ${STAGE}/${sub})
    endif()
    file(COPY_FILE ${RUNTIME_DIR}/${f} ${STAGE}/${f})
  endforeach()
endif()
if(IS_DIRECTORY ${SAMPLES})
  file(COPY ${SAMPLES} DESTINATION ${STAGE})
endif()
file(REMOVE ${ARCHIVE}.tmp)
execute_process(COMMAND ${ZIP} -q -r -X ${ARCHIVE}.tmp .
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "zip failed (${rc})")
endif()
file(RENAME ${ARCHIVE}.tmp ${ARCHIVE})
