# Puts beside the Windows programs what they load at run time, as a deploy
# tool would: the DLLs the programs and the plugins import, found in the Qt
# and compiler directories by reading their import tables (objdump), the Qt
# plugins, Qt's Korean translation and a
# qt.conf that makes the programs' directory Qt's prefix.
# MANIFEST receives the placed files, one a line, relative to DEST.
# Run as: cmake -DDEST=.. -DFILES=.. -DPLUGINS=.. -DDIRS=.. -DQM=.. -DOBJDUMP=..
#         -DMANIFEST=.. -P deploy_windows_runtime.cmake       (lists "|"-separated)
cmake_minimum_required(VERSION 3.21)
foreach(var DEST FILES DIRS OBJDUMP MANIFEST)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
string(REPLACE "|" ";" files "${FILES}")
string(REPLACE "|" ";" dirs "${DIRS}")
# PLUGINS entries are "FILE>SUBDIR".
string(REPLACE "|" ";" plugins "${PLUGINS}")
set(plugin_files)
set(placed)

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM "windows+pe")
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL "objdump")
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")

foreach(entry IN LISTS plugins)
  string(REPLACE ">" ";" fields "${entry}")
  list(GET fields 0 file)
  list(GET fields 1 subdir)
  list(APPEND plugin_files ${file})
  file(MAKE_DIRECTORY ${DEST}/${subdir})
  get_filename_component(name ${file} NAME)
  file(COPY_FILE ${file} ${DEST}/${subdir}/${name} ONLY_IF_DIFFERENT)
  list(APPEND placed ${subdir}/${name})
endforeach()

# The import tables are read as Windows reads them, without regard to case
# (CMake asks for "qt6core.dll"), but the directories are on a file system
# that minds case: each DLL there is also seen under its lower-case name.
get_filename_component(alias_dir ${MANIFEST} DIRECTORY)
set(alias_dir ${alias_dir}/windows-runtime-names)
file(REMOVE_RECURSE ${alias_dir})
file(MAKE_DIRECTORY ${alias_dir})
foreach(dir IN LISTS dirs)
  file(GLOB dlls LIST_DIRECTORIES false "${dir}/*.dll" "${dir}/*.DLL")
  foreach(dll IN LISTS dlls)
    get_filename_component(name ${dll} NAME)
    string(TOLOWER ${name} lower)
    if(NOT EXISTS ${alias_dir}/${lower})
      file(CREATE_LINK ${dll} ${alias_dir}/${lower} SYMBOLIC)
    endif()
  endforeach()
endforeach()

# Windows' own DLLs are not in the given directories and stay unresolved.
file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES ${files}
  LIBRARIES ${plugin_files}
  DIRECTORIES ${alias_dir} ${dirs}
  RESOLVED_DEPENDENCIES_VAR found
  UNRESOLVED_DEPENDENCIES_VAR system
  PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-")
foreach(dll IN LISTS found)
  # The programs' directory is searched first: a DLL an earlier run placed
  # there is still one of the given directories' (and listed again), only
  # the programs' own DLLs (the engine) are not.
  get_filename_component(name ${dll} NAME)
  string(TOLOWER ${name} lower)
  if(EXISTS ${alias_dir}/${lower})
    set(dll ${alias_dir}/${lower})
  endif()
  # Placed under the name the file has, not the lower-case one.
  file(REAL_PATH ${dll} dll)
  get_filename_component(name ${dll} NAME)
  get_filename_component(where ${dll} DIRECTORY)
  if(NOT where STREQUAL DEST)
    file(COPY_FILE ${dll} ${DEST}/${name} ONLY_IF_DIFFERENT)
    list(APPEND placed ${name})
  endif()
endforeach()

if(QM)
  file(MAKE_DIRECTORY ${DEST}/translations)
  file(COPY_FILE ${QM} ${DEST}/translations/qtbase_ko.qm ONLY_IF_DIFFERENT)
  list(APPEND placed translations/qtbase_ko.qm)
endif()
# Without it Qt would take the directory above the one holding its DLLs for
# its prefix and look for plugins and translations there.
file(WRITE ${DEST}/qt.conf.new "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
file(COPY_FILE ${DEST}/qt.conf.new ${DEST}/qt.conf ONLY_IF_DIFFERENT)
file(REMOVE ${DEST}/qt.conf.new)
list(APPEND placed qt.conf)
list(JOIN placed "\n" placed_text)
file(WRITE ${MANIFEST} "${placed_text}\n")
list(JOIN system " " system_text)
message(STATUS "Windows runtime beside the programs; from Windows itself: ${system_text}")
