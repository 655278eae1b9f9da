# A screen reader follows an upload over the real accessibility bus (AT-SPI in a D-Bus session of
# the test's own, on a virtual display): the program answers while it waits for the instrument.
add_test(NAME a11y_upload_bus
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/a11y/upload_bus.sh $<TARGET_FILE:ohmara> $<TARGET_FILE:ohmara-xls>
          $<TARGET_FILE:ohmara-sim> 40)
set_tests_properties(a11y_upload_bus PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK pseudo_terminal)

# The main flows in English (connect, upload, save): no Chinese character left on screen but data.
add_test(NAME a11y_english
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/a11y/upload_bus.sh $<TARGET_FILE:ohmara> $<TARGET_FILE:ohmara-xls>
          $<TARGET_FILE:ohmara-sim> 5 english_probe.py --lang en)
set_tests_properties(a11y_english PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK pseudo_terminal)
