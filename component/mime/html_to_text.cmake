# HTML to text: a pure function of the message parser's core, also compiled by the fuzz targets.
target_sources(velmo PRIVATE ${CMAKE_CURRENT_LIST_DIR}/html_to_text.cpp)
set_property(GLOBAL APPEND PROPERTY VELMO_MIME_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/html_to_text.cpp)
