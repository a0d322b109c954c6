# MIME structure, bodies and attachments have their own test binary, beside the header tests.
add_executable(velmo_mime_parts_tests
  ${CMAKE_CURRENT_LIST_DIR}/mime_multipart_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_bodies_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_attachments_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mime_sample_parts_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/popmsg_parts_interface_test.cpp
)
target_link_libraries(velmo_mime_parts_tests PRIVATE velmo GTest::gtest GTest::gtest_main)
# The sample-mail test asks Python's email package for reference answers.
target_compile_definitions(velmo_mime_parts_tests PRIVATE
  MIME_PYTHON_PARTS="${CMAKE_CURRENT_LIST_DIR}/python_parts.py")
gtest_discover_tests(velmo_mime_parts_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS component)
