# mime_bench: the message parser beside Python's email package and GMime 3 (benchmark-only
# dependency, Debian package libgmime-3.0-dev).
find_package(PkgConfig REQUIRED)
pkg_check_modules(GMIME3 REQUIRED IMPORTED_TARGET gmime-3.0)
add_executable(mime_bench
  ${CMAKE_CURRENT_LIST_DIR}/mime_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_sample.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_peer_velmo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_peer_python.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_peer_gmime.cpp
)
target_link_libraries(mime_bench PRIVATE velmo PkgConfig::GMIME3)
target_compile_definitions(mime_bench PRIVATE MIME_BENCH_PY="${CMAKE_CURRENT_LIST_DIR}/mime_bench.py")
