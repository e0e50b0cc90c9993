# Manual pages for the three programs, made at build time by help2man from
# their --help, so a page says what the program it comes with says. The
# command line's page adds each command's own --help (CliCommands.cmake).
# Nothing is made when help2man is missing or the programs cannot run here
# (a cross build).
find_program(MARROWICK_HELP2MAN help2man)
if(NOT MARROWICK_HELP2MAN OR CMAKE_CROSSCOMPILING)
  message(STATUS "Manual pages: not made (help2man ${MARROWICK_HELP2MAN}, cross build ${CMAKE_CROSSCOMPILING})")
  return()
endif()

set(MARROWICK_MAN_DIR ${CMAKE_BINARY_DIR}/man)
file(MAKE_DIRECTORY ${MARROWICK_MAN_DIR})
set(marrowick_MAN_NAME "prepare and maintain a Marrowick show controller over its serial line")
set(marrowick-cli_MAN_NAME "identify, read, write and update a Marrowick show controller from scripts")
set(marrowick-sim_MAN_NAME "a simulated Marrowick show controller on a pseudo-terminal")

set(pages)
foreach(program ${MARROWICK_INSTALLED_PROGRAMS})
  set(page ${MARROWICK_MAN_DIR}/${program}.1)
  set(includes --include=${CMAKE_SOURCE_DIR}/packaging/man/see-also.h2m)
  set(depends ${program} ${CMAKE_SOURCE_DIR}/packaging/man/see-also.h2m)
  if(program STREQUAL "marrowick-cli")
    set(commands ${MARROWICK_MAN_DIR}/marrowick-cli-commands.h2m)
    add_custom_command(OUTPUT ${commands}
      COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:marrowick-cli> -DOUTPUT=${commands}
              -P ${CMAKE_SOURCE_DIR}/cmake/CliCommands.cmake
      DEPENDS marrowick-cli ${CMAKE_SOURCE_DIR}/cmake/CliCommands.cmake
      COMMENT "Collecting the commands of marrowick-cli for its manual page")
    list(APPEND includes --include=${commands})
    list(APPEND depends ${commands})
  endif()
  # gzip -n: the same page gives the same bytes, whenever it is made.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${MARROWICK_HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            "--name=${${program}_MAN_NAME}" ${includes} --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${depends}
    COMMENT "Making the manual page of ${program}")
  list(APPEND pages ${page}.gz)
endforeach()
add_custom_target(man-pages ALL DEPENDS ${pages})
install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
