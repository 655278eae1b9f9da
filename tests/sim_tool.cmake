# The tool test runs the ohmara-sim executable.
if(TARGET tst_sim_tool AND TARGET ohmara-sim)
  add_dependencies(tst_sim_tool ohmara-sim)
endif()
