# zel_add_test(NAME <name> LABEL <unit|gui|interop|e2e> SOURCES ... LIBS ... [ENV ...])
# One ctest entry per test program; gtest's own output names the cases. A test sees the
# testing/ folder beside it (its folder's fakes and helpers); a folder's doubles used from
# elsewhere come through that folder's *_testing library.
function(zel_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS;ENV" ${ARGN})
  set(T_TESTING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/testing)
  # The cross build runs the unit tests, and with Qt the gui and e2e tests too;
  # the others need Python, zip or a print server.
  set(windows_labels unit)
  if(ZEL_GUI)
    list(APPEND windows_labels gui e2e)
  endif()
  if(WIN32 AND CMAKE_CROSSCOMPILING AND NOT T_LABEL IN_LIST windows_labels)
    add_executable(${T_NAME} EXCLUDE_FROM_ALL ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} zeltestsupport)
    if(IS_DIRECTORY ${T_TESTING_DIR})
      target_include_directories(${T_NAME} PRIVATE ${T_TESTING_DIR})
    endif()
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} zeltestsupport)
  if(IS_DIRECTORY ${T_TESTING_DIR})
    target_include_directories(${T_NAME} PRIVATE ${T_TESTING_DIR})
  endif()
  if(WIN32)
    zel_windows_test_support(${T_NAME})
    zel_windows_program(${T_NAME})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(env "ZEL_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "ZEL_BINARY_DIR=${PROJECT_BINARY_DIR}"
          "QT_QPA_PLATFORM=offscreen" ${T_ENV})
  if(WIN32 AND CMAKE_CROSSCOMPILING_EMULATOR)
    # Under Wine the offscreen platform reads the fonts of one folder: the
    # Debian Nanum fonts (Korean and Latin), through Wine's drive Z:.
    list(APPEND env "QT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/nanum")
  endif()
  if(WIN32)
    # Wine keeps the host's QT_* variables from Windows programs and passes
    # WINEQT_* under the QT_* name instead.
    foreach(entry IN LISTS env)
      if(entry MATCHES "^QT_")
        list(APPEND env "WINE${entry}")
      endif()
    endforeach()
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL} ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/ZelWindowsTesting.cmake)
endif()
