# SPDX-License-Identifier: GPL-3.0-or-later
#
# One GoogleTest executable per library, registered with CTest.
#   brisklark_add_test(NAME test_settings SOURCES a.cpp b.cpp LIBS bl_settings)
# Tests run with their source folder's build directory as working directory
# and may use the external tools (ffmpeg, flac, sox, ...) that
# scripts/install-deps installs. Each test carries its executable's name as
# label, so that `ctest -L` can pick executables (the sanitizer runs do).
# PRELOAD names a shared library target that the tests run with in
# LD_PRELOAD.
if(BRISKLARK_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(brisklark_add_test)
  cmake_parse_arguments(ARG "" "NAME;PRELOAD" "SOURCES;LIBS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(preload_property "")
  if(ARG_PRELOAD)
    add_dependencies(${ARG_NAME} ${ARG_PRELOAD})
    set(preload "$<TARGET_FILE:${ARG_PRELOAD}>")
    if(BRISKLARK_SANITIZE STREQUAL "address")
      # AddressSanitizer stops a program whose first library is not its runtime.
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
        OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
      set(preload "${asan_runtime}:${preload}")
    endif()
    set(preload_property ENVIRONMENT_MODIFICATION "LD_PRELOAD=set:${preload}")
  endif()
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 LABELS ${ARG_NAME} ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
      ${preload_property})
endfunction()
