# The desktop entry and the AppStream metainfo, checked by the validators desktops use.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
if(DESKTOP_FILE_VALIDATE)
  # It reports hints and warnings with success: any output at all counts as a failure.
  add_test(NAME packaging_desktop_file
    COMMAND sh -c "out=$(\"$0\" \"$1\" 2>&1); printf '%s\\n' \"$out\"; test -z \"$out\""
            ${DESKTOP_FILE_VALIDATE} ${PACKAGING_DIR}/ohmara.desktop)
else()
  add_test(NAME packaging_desktop_file COMMAND sh -c "echo 'desktop-file-validate is not installed'; exit 77")
  set_tests_properties(packaging_desktop_file PROPERTIES SKIP_RETURN_CODE 77)
endif()
if(APPSTREAMCLI)
  add_test(NAME packaging_metainfo
    COMMAND ${APPSTREAMCLI} validate --no-net ${PACKAGING_DIR}/ohmara.metainfo.xml)
else()
  add_test(NAME packaging_metainfo COMMAND sh -c "echo 'appstreamcli is not installed'; exit 77")
  set_tests_properties(packaging_metainfo PROPERTIES SKIP_RETURN_CODE 77)
endif()
