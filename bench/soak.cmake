# soak_bench: 200 cycles of halvex --once against the test Dovecot while messages come and go
# and Dovecot restarts; prints errors, crashes, sanitizer and leak reports and peak memory.
if(TARGET halvex AND TARGET halvex_test_net)
  add_executable(soak_bench ${CMAKE_CURRENT_LIST_DIR}/soak_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/logged_process.cpp)
  target_link_libraries(soak_bench PRIVATE halvex_accounts halvex_test_net)
  target_compile_definitions(soak_bench PRIVATE HALVEX_PROGRAM="$<TARGET_FILE:halvex>")
  add_dependencies(soak_bench halvex)
endif()
