# mime_stress_bench: 16,000 attachments saved at once, and a 100 KB header of encoded words in
# 20 charsets; no peers, so it is always built with the benches.
add_executable(mime_stress_bench ${CMAKE_CURRENT_LIST_DIR}/mime_stress_bench.cpp)
target_link_libraries(mime_stress_bench PRIVATE velmo)
