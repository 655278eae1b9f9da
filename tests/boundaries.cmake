# Include boundaries: a library's headers reach only the targets that link it. For each library,
# a one-line source is preprocessed with the library's own include folders and definitions (those of
# what it links included): the headers of libraries it does not link, the widget headers where Qt
# Widgets is not linked, and Qt SQL outside the archive and the sync must not be found; one header
# it may include must be, so that a refusal is the boundary's and not a broken probe's.
set(boundary_dir ${CMAKE_CURRENT_BINARY_DIR}/boundaries)
set(boundary_table "")
foreach(probe
    "ohmara_core core/Outcome.h link/UCommUnit.h report/DataFile.h history/AutoBackup.h ui/UMain.h <QWidget>"
    "ohmara_link link/Protocol.h report/DataFile.h ui/UMain.h <QWidget>"
    "ohmara_formats report/WorkbookReader.h history/AutoBackup.h archive/RecordArchive.h ui/UMain.h <QWidget>"
    "ohmara_history history/DeviceHistory.h link/UCommUnit.h archive/RecordArchive.h ui/UMain.h <QWidget>"
    "ohmara_archive archive/Assessment.h history/AutoBackup.h ui/UMain.h <QWidget>"
    "ohmara_sim sim/VirtualInstrument.h report/DataFile.h ui/UMain.h"
    "ohmara_jobreport archive/RecordArchive.h ui/UMain.h <QSqlQuery>"
    "ohmara_ui archive/sync/SyncRunner.h <QSqlQuery> <QSqlDatabase>")
  string(REPLACE " " ";" parts "${probe}")
  list(GET parts 0 target)
  file(GENERATE OUTPUT ${boundary_dir}/${target}.flags CONTENT
    "-I$<JOIN:$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>,\n-I>\n-D$<JOIN:$<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>,\n-D>\n")
  string(APPEND boundary_table "${probe}\n")
endforeach()
file(WRITE ${boundary_dir}/probes.txt "${boundary_table}")
add_test(NAME include_boundaries
  COMMAND ${CMAKE_COMMAND} -DCXX=${CMAKE_CXX_COMPILER} -DDIR=${boundary_dir}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/boundaries/CheckIncludes.cmake)
