# An interposed UART queue for the serial line test's child runs.
add_library(ohmara_slow_uart MODULE ${CMAKE_CURRENT_SOURCE_DIR}/shim/slow_uart.c)
target_link_libraries(ohmara_slow_uart PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(ohmara_slow_uart PROPERTIES PREFIX "")
if(TARGET tst_serial_line)
  add_dependencies(tst_serial_line ohmara_slow_uart)
  target_compile_definitions(tst_serial_line PRIVATE OHMARA_SLOW_UART="$<TARGET_FILE:ohmara_slow_uart>")
endif()
