# MIME structure, bodies and attachments: multipart cutting, uuencoded blocks, part kinds,
# body texts, attachment names, contents and files. Pure code of the parser's core (the fuzz
# targets compile it too), plus the byte arrays that only the POPMSG class needs.
set(velmo_mime_parts_core
  ${CMAKE_CURRENT_LIST_DIR}/attachment_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/attachment_saving.cpp
  ${CMAKE_CURRENT_LIST_DIR}/attachments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_bodies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/multipart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/part_kind.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uuencoded_parts.cpp
)
target_sources(velmo PRIVATE ${velmo_mime_parts_core} ${CMAKE_CURRENT_LIST_DIR}/byte_variant.cpp)
set_property(GLOBAL APPEND PROPERTY VELMO_MIME_CORE_SOURCES ${velmo_mime_parts_core})
