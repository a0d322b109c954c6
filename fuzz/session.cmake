# The POP3 session over a scripted byte stream under libFuzzer. The session and everything it
# parses are compiled into the target so coverage guides it; the socket and TLS sources come
# along only because a default session speaks over them.
find_package(OpenSSL 3 REQUIRED)
set(velmo_pop3_dir ${PROJECT_SOURCE_DIR}/component/pop3)
add_executable(session_fuzzer
  ${CMAKE_CURRENT_LIST_DIR}/session_fuzzer.cpp
  ${velmo_pop3_dir}/pop3_session.cpp
  ${velmo_pop3_dir}/failure_cause.cpp
  ${velmo_pop3_dir}/pop3_pipelining.cpp
  ${velmo_pop3_dir}/pop3_raw.cpp
  ${PROJECT_SOURCE_DIR}/component/store/deferred_sync.cpp
  ${PROJECT_SOURCE_DIR}/component/store/message_file.cpp
  ${velmo_pop3_dir}/pop3_login.cpp
  ${velmo_pop3_dir}/login_plan.cpp
  ${velmo_pop3_dir}/sasl.cpp
  ${velmo_pop3_dir}/capabilities.cpp
  ${velmo_pop3_dir}/header_prefetch.cpp
  ${velmo_pop3_dir}/pipelined_reply.cpp
  ${velmo_pop3_dir}/md5.cpp
  ${velmo_pop3_dir}/reply_reader.cpp
  ${velmo_pop3_dir}/reply_numbers.cpp
  ${velmo_pop3_dir}/server_address.cpp
  ${velmo_pop3_dir}/socket.cpp
  ${velmo_pop3_dir}/socket_bio.cpp
  ${velmo_pop3_dir}/tls_stream.cpp)
target_include_directories(session_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/component)
target_compile_options(session_fuzzer PRIVATE ${HALVEX_FUZZ_FLAGS})
target_link_options(session_fuzzer PRIVATE ${HALVEX_FUZZ_FLAGS})
target_link_libraries(session_fuzzer PRIVATE OpenSSL::SSL OpenSSL::Crypto)
