# filter_bench: halvex --once over 1000 messages of the test Dovecot, directly or through the
# bench's delay proxy, beside bare pipelined and one-at-a-time scans, mailfilter and
# mpop --filter doing the same job. Needs the application.
if(TARGET halvex AND TARGET halvex_test_net)
  add_executable(filter_bench ${CMAKE_CURRENT_LIST_DIR}/filter_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/logged_process.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/delay_proxy.cpp ${CMAKE_CURRENT_LIST_DIR}/raw_scans.cpp)
  target_link_libraries(filter_bench PRIVATE halvex_accounts halvex_test_net)
  target_compile_definitions(filter_bench PRIVATE HALVEX_PROGRAM="$<TARGET_FILE:halvex>")
  add_dependencies(filter_bench halvex)
endif()
