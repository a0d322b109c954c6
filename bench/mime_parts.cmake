# mime_parts_bench: load a large message with five base64 attachments and save them all, beside
# Python's email package and GMime 3 (GMIME3 from mime.cmake: Debian package libgmime-3.0-dev).
if(NOT TARGET PkgConfig::GMIME3)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(GMIME3 QUIET IMPORTED_TARGET gmime-3.0)
  endif()
endif()
if(NOT TARGET PkgConfig::GMIME3)
  message(WARNING "mime_parts_bench left out: GMime 3 not found (install libgmime-3.0-dev)")
  return()
endif()
add_executable(mime_parts_bench
  ${CMAKE_CURRENT_LIST_DIR}/mime_parts_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_parts_gmime.cpp
)
target_link_libraries(mime_parts_bench PRIVATE velmo PkgConfig::GMIME3)
target_compile_definitions(mime_parts_bench PRIVATE MIME_PARTS_BENCH_PY="${CMAKE_CURRENT_LIST_DIR}/mime_parts_bench.py")
