# Test programs of the Windows build: the POSIX calls the tests make for their
# scratch files (mkdtemp, setenv, sys/wait.h) come from a small Windows
# implementation in tests/windows/, and each program finds sde32.dll beside it.
function(zel_windows_test_support target)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/windows)
  target_compile_options(${target} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/windows/posix_for_tests.h)
endfunction()
