# The texts and their English translation: no Chinese literal outside tr()/translate() but the
# file-format texts listed in i18n/file-format-texts.txt, and a .ts that is what lupdate makes of
# the sources, every entry translated.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME translations_literals
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/i18n/check_texts.py literals ${PROJECT_SOURCE_DIR}
    ${CMAKE_CURRENT_SOURCE_DIR}/i18n/file-format-texts.txt ${OHMARA_TRANSLATED_FOLDERS})
string(REPLACE ";" "\n" i18n_source_lines "${OHMARA_TRANSLATED_SOURCES}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/i18n-sources.lst "${i18n_source_lines}\n")
add_test(NAME translations_catalogue
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/i18n/check_texts.py catalogue
    $<TARGET_FILE:Qt6::lupdate> ${OHMARA_TS_FILE} ${CMAKE_CURRENT_BINARY_DIR}/i18n-sources.lst
    -I ${PROJECT_SOURCE_DIR} ${OHMARA_LUPDATE_OPTIONS})
