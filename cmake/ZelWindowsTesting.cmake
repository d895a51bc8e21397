# Test programs of the Windows build get the few POSIX calls the tests use for
# their scratch files and environment (mkdtemp, setenv, sys/wait.h) from the
# small Windows implementation in tests/windows/.
function(zel_windows_test_support target)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/windows)
  target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/windows/posix_for_tests.h)
endfunction()
