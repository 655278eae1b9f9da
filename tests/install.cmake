# The installed program: tst_install installs this build into a temporary prefix and runs from it.
if(TARGET tst_install)
  add_dependencies(tst_install ohmara ohmara-xls ohmara-archive)
  target_compile_definitions(tst_install PRIVATE OHMARA_BUILD_DIR="${CMAKE_BINARY_DIR}"
    OHMARA_CMAKE="${CMAKE_COMMAND}" OHMARA_LIBEXEC_DIR="${OHMARA_LIBEXEC_DIR}")
endif()
