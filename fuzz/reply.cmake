# The POP3 reply reader and reply numbers under libFuzzer; the two sources are compiled into
# the target so coverage guides it.
add_executable(reply_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/reply_fuzzer.cpp
  ${PROJECT_SOURCE_DIR}/component/pop3/reply_reader.cpp
  ${PROJECT_SOURCE_DIR}/component/pop3/reply_numbers.cpp)
target_include_directories(reply_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/component)
target_compile_options(reply_fuzzer PRIVATE ${HALVEX_FUZZ_FLAGS})
target_link_options(reply_fuzzer PRIVATE ${HALVEX_FUZZ_FLAGS})
