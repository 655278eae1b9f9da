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

# The manual pages the Debian package carries, made from the programs' --help as its build makes
# them: each program answers without a window or a display, and man renders the page without
# a warning (but lintian's: Chinese text without blanks cannot be broken or adjusted).
find_program(HELP2MAN help2man)
if(HELP2MAN)
  add_test(NAME packaging_man_pages
    COMMAND sh -c "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; \"$0\" \"$1\" \"$2\" \"$3\" || exit 1
      for page in \"$2\"/ohmara.1 \"$2\"/ohmara-archive.1; do
        grep -q '^\\.SH DESCRIPTION' \"$page\" || { echo \"$page has no description\"; exit 1; }
        out=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z \"$page\" 2>&1 >/dev/null |
          grep -v \"cannot adjust line\\|can't break line\")
        [ -z \"$out\" ] || { printf '%s: %s\\n' \"$page\" \"$out\"; exit 1; }
      done"
      ${CMAKE_SOURCE_DIR}/packaging/man-pages.sh ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/man
      ${PROJECT_VERSION})
  set_tests_properties(packaging_man_pages PROPERTIES TIMEOUT 180)
else()
  add_test(NAME packaging_man_pages COMMAND sh -c "echo 'help2man is not installed'; exit 77")
  set_tests_properties(packaging_man_pages PROPERTIES SKIP_RETURN_CODE 77)
endif()
