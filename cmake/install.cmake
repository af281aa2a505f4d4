# The device's file tree: cmake --install BUILD --component device --prefix STAGE,
# then scripts/make-packet.py STAGE OUT makes the upgrade packet of it. The
# supervisor starts the player as /home/q7exe2; /home also holds the build's
# resources (beeps, voices, collation table, alarm signal, background music,
# abbreviations). Settings need no files: every loader writes its defaults.
# A PC build installs the programs that also run on the simulated board, so
# that dtbsim can boot the tree; the device's build has only the others.
set(DTB_INSTALL_PLAYER dtbplayer_device)
set(DTB_INSTALL_SUPERVISOR supervisor_device)
if(DTB_HOST_BOARD)
  set(DTB_INSTALL_PLAYER dtbplayer)
  set(DTB_INSTALL_SUPERVISOR supervisor)
endif()
install(PROGRAMS $<TARGET_FILE:${DTB_INSTALL_PLAYER}> DESTINATION home RENAME q7exe2 COMPONENT device)
install(PROGRAMS $<TARGET_FILE:${DTB_INSTALL_SUPERVISOR}> DESTINATION home RENAME supervisor COMPONENT device)
install(DIRECTORY ${DTB_HOME_DIR}/ DESTINATION home COMPONENT device)

# The simulator with its manual page, made from the README's section on it.
if(TARGET dtbsim)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(DTB_SIM_MAN ${CMAKE_BINARY_DIR}/man/dtbsim.1)
  add_custom_command(OUTPUT ${DTB_SIM_MAN}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/readme-man.py ${CMAKE_SOURCE_DIR}/README.md ${DTB_SIM_MAN}
    DEPENDS ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/scripts/readme-man.py
    COMMENT "dtbsim manual page")
  add_custom_target(dtb_sim_man ALL DEPENDS ${DTB_SIM_MAN})
  install(TARGETS dtbsim dtbrandom RUNTIME DESTINATION bin COMPONENT sim)
  install(FILES ${DTB_SIM_MAN} DESTINATION share/man/man1 COMPONENT sim)
endif()
