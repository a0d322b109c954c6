# HTML to text under libFuzzer. The function is compiled into the target itself, so the
# fuzzer sees its coverage without an instrumented libvelmo.
add_executable(html_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/html_fuzzer.cpp
  ${CMAKE_SOURCE_DIR}/component/mime/html_to_text.cpp
)
target_include_directories(html_fuzzer PRIVATE ${CMAKE_SOURCE_DIR}/component)
target_compile_options(html_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(html_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
# A bounded run from the seeds; new inputs go into the build tree, never the sources.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/html_corpus)
add_test(NAME html_fuzzer_bounded
  COMMAND html_fuzzer -runs=200000 -max_total_time=60
          ${CMAKE_CURRENT_BINARY_DIR}/html_corpus ${CMAKE_CURRENT_LIST_DIR}/corpus/html)
set_tests_properties(html_fuzzer_bounded PROPERTIES TIMEOUT 120 LABELS fuzz)
