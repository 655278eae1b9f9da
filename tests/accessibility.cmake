# The desktop test listens to the accessibility events the program sends. Offscreen, nothing
# switches Qt's accessibility on; the test does it through the platform integration, as Qt's own
# accessibility tests do.
if(TARGET Qt6::GuiPrivate)
  target_link_libraries(tst_desktop PRIVATE Qt6::GuiPrivate)
  target_compile_definitions(tst_desktop PRIVATE OHMARA_PLATFORM_ACCESSIBILITY=1)
endif()
