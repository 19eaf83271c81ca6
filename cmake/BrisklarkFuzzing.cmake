# SPDX-License-Identifier: GPL-3.0-or-later
#
# Fuzz targets: one LLVMFuzzerTestOneInput entry point per parser of outside
# data, with a seed corpus in tests/fuzz/<NAME>/.
#   brisklark_add_fuzz_target(NAME id3v2 SOURCES id3v2_fuzz.cpp LIBS bl_audio_tags)
# Every test build makes fuzz_replay_<NAME>, which runs the entry point once
# on each corpus file, as the test fuzz_corpus_<NAME>; so the corpus is
# checked by any compiler, and under the sanitizers in their builds. With
# -DBRISKLARK_FUZZ=ON (clang) it also makes fuzz_<NAME>, the libFuzzer
# program:  fuzz_<NAME> -max_total_time=600 NEW_DIR tests/fuzz/<NAME>
function(brisklark_add_fuzz_target)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  set(corpus ${PROJECT_SOURCE_DIR}/tests/fuzz/${ARG_NAME})
  add_executable(fuzz_replay_${ARG_NAME} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_include_directories(fuzz_replay_${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(fuzz_replay_${ARG_NAME} PRIVATE ${ARG_LIBS})
  add_test(NAME fuzz_corpus_${ARG_NAME} COMMAND fuzz_replay_${ARG_NAME} ${corpus})
  set_tests_properties(fuzz_corpus_${ARG_NAME} PROPERTIES TIMEOUT 300)
  if(BRISKLARK_FUZZ)
    add_executable(fuzz_${ARG_NAME} ${ARG_SOURCES})
    target_link_options(fuzz_${ARG_NAME} PRIVATE -fsanitize=fuzzer)
    target_include_directories(fuzz_${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(fuzz_${ARG_NAME} PRIVATE ${ARG_LIBS})
  endif()
endfunction()
