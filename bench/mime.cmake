# mime_bench: the message parser beside Python's email package and GMime 3 (benchmark-only
# dependency, Debian package libgmime-3.0-dev; without it the bench is left out).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(GMIME3 QUIET IMPORTED_TARGET gmime-3.0)
endif()
if(NOT GMIME3_FOUND)
  message(WARNING "mime_bench left out: GMime 3 not found (install libgmime-3.0-dev)")
  return()
endif()
add_executable(mime_bench
  ${CMAKE_CURRENT_LIST_DIR}/mime_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_sample.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_peer_velmo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_peer_python.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_peer_gmime.cpp
)
target_link_libraries(mime_bench PRIVATE velmo PkgConfig::GMIME3)
target_compile_definitions(mime_bench PRIVATE MIME_BENCH_PY="${CMAKE_CURRENT_LIST_DIR}/mime_bench.py")
# The attachment bench shares the GMime found above.
include(${CMAKE_CURRENT_LIST_DIR}/mime_parts.cmake)
