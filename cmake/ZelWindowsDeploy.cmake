# The Windows build with Qt: the Qt DLLs, plugins, Korean translation and the
# compiler's runtime DLLs go beside the programs in the build (so the programs
# and their tests run from there, under Wine too) and into the installation
# and ZELRPT.E01. The DLLs are found by reading the programs' import tables
# (cmake/deploy_windows_runtime.cmake), not from a list kept by hand.
set(ZEL_WINDOWS_RUNTIME_STAMP ${CMAKE_BINARY_DIR}/windows-runtime.stamp)

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE zel_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                OUTPUT_VARIABLE zel_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(zel_libstdcxx_dir ${zel_libstdcxx} DIRECTORY)
get_filename_component(zel_winpthread_dir ${zel_winpthread} REALPATH)
get_filename_component(zel_winpthread_dir ${zel_winpthread_dir} DIRECTORY)
find_program(ZEL_OBJDUMP NAMES ${CMAKE_OBJDUMP} x86_64-w64-mingw32-objdump objdump REQUIRED)
find_file(ZEL_QTBASE_KO_QM qtbase_ko.qm
  PATHS ${QT6_INSTALL_PREFIX}/translations /usr/share/qt6/translations NO_CMAKE_FIND_ROOT_PATH)

set(zel_windows_programs ZelRpt zelrpt-cli setup)
set(zel_programs_arg)
foreach(t ${zel_windows_programs})
  list(APPEND zel_programs_arg $<TARGET_FILE:${t}>)
endforeach()
set(zel_plugins_arg
  "$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>>platforms"
  "$<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>>platforms"
  "$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>>styles")
string(REPLACE ";" "|" zel_programs_arg "${zel_programs_arg}")
string(REPLACE ";" "|" zel_plugins_arg "${zel_plugins_arg}")

add_custom_command(OUTPUT ${ZEL_WINDOWS_RUNTIME_STAMP}
  COMMAND ${CMAKE_COMMAND} -DDEST=${CMAKE_RUNTIME_OUTPUT_DIRECTORY} "-DFILES=${zel_programs_arg}"
          "-DPLUGINS=${zel_plugins_arg}"
          "-DDIRS=$<TARGET_FILE_DIR:Qt6::Core>|${zel_libstdcxx_dir}|${zel_winpthread_dir}"
          -DQM=${ZEL_QTBASE_KO_QM} -DOBJDUMP=${ZEL_OBJDUMP} -DMANIFEST=${ZEL_WINDOWS_RUNTIME_STAMP}
          -P ${PROJECT_SOURCE_DIR}/cmake/deploy_windows_runtime.cmake
  DEPENDS ${zel_windows_programs} ${PROJECT_SOURCE_DIR}/cmake/deploy_windows_runtime.cmake
  COMMENT "Placing the Qt and compiler DLLs beside the Windows programs"
  VERBATIM)
add_custom_target(windows-runtime ALL DEPENDS ${ZEL_WINDOWS_RUNTIME_STAMP})

# `cmake --install`: everything in one directory, as setup installs it.
install(TARGETS ZelRpt zelrpt-cli setup sde32 sdecdx32 sdentx32 sdensx32 RUNTIME DESTINATION .)
install(CODE "
  file(STRINGS \"${ZEL_WINDOWS_RUNTIME_STAMP}\" zel_runtime_files)
  foreach(f IN LISTS zel_runtime_files)
    get_filename_component(sub \"\${f}\" DIRECTORY)
    file(INSTALL \"${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/\${f}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/\${sub}\")
  endforeach()")
install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/samples DESTINATION .)

# The test programs also load Qt's test library; it stays out of the
# installation and the archive.
add_custom_target(windows-test-runtime ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::Test> ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  DEPENDS windows-runtime
  COMMENT "Placing Qt's test library beside the Windows test programs"
  VERBATIM)
