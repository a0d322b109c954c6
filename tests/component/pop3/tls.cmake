# The POP3 client over TLS: server texts, the TLS reader against a scripted TLS server, and
# whole sessions against the private Dovecot's TLS listener, synchronous and asynchronous.
find_package(OpenSSL 3 REQUIRED)
add_executable(velmo_tls_tests
  tls_address_test.cpp
  tls_script_server.cpp
  tls_stream_test.cpp
  tls_trust.cpp
  tls_dovecot_test.cpp
  tls_async_test.cpp
  signin_test.cpp
)
target_link_libraries(velmo_tls_tests PRIVATE velmo halvex_test_net OpenSSL::SSL OpenSSL::Crypto
                      GTest::gtest GTest::gtest_main)
target_include_directories(velmo_tls_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
gtest_discover_tests(velmo_tls_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS component)
