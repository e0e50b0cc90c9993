# What `cmake --install` puts on a system, and the Debian package CPack builds
# from it: the three programs with their manual pages, shell completion for
# marrowick-cli, a desktop entry with its icon and its description for software
# centres, and the guide.
include(GNUInstallDirs)

set(MARROWICK_INSTALLED_PROGRAMS)
foreach(program marrowick marrowick-cli marrowick-sim)
  if(TARGET ${program})
    list(APPEND MARROWICK_INSTALLED_PROGRAMS ${program})
  endif()
endforeach()
if(MARROWICK_INSTALLED_PROGRAMS)
  install(TARGETS ${MARROWICK_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(UNIX)
  include(${CMAKE_CURRENT_LIST_DIR}/ManPages.cmake)
endif()

if(UNIX AND NOT APPLE)
  # The desktop entry and the description are named by the program's id (its
  # homepage's domain reversed), as AppStream asks.
  set(MARROWICK_APP_ID invalid.example.marrowick)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/${MARROWICK_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/${MARROWICK_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  if(TARGET marrowick-cli)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/completion/marrowick-cli.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME marrowick-cli)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/completion/_marrowick-cli
            DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/marrowick.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 128)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/marrowick-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME marrowick.png)
  endforeach()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/marrowick.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/BENCHMARKS.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.png")
if(UNIX AND NOT APPLE)
  # What Debian asks of every package's documentation: the copyright and the
  # changelog, compressed without a time stamp.
  set(MARROWICK_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${MARROWICK_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/changelog
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/changelog
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog)
  add_custom_target(changelog ALL DEPENDS ${MARROWICK_CHANGELOG})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${MARROWICK_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# Debian package: cpack -G DEB in the build folder (on Windows an installer,
# see WindowsInstaller.cmake).
set(CPACK_PACKAGE_NAME marrowick)
set(CPACK_PACKAGE_VENDOR "Marrowick")
set(CPACK_PACKAGE_CONTACT "Marrowick Interface Utility developers <marrowick@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Prepares and maintains a Marrowick show controller over a serial line")
# In lines Debian's tools show as they are (at most 80 characters).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Identifies a Marrowick show controller (K5, R2, T7 or Lumen L+), reads and\n"
  "writes its shows, keeps them in project folders, builds its audio library and\n"
  "downloads firmware, over a 9600-baud serial line.\n"
  "\n"
  "Includes marrowick-cli for scripts and marrowick-sim, a simulated controller\n"
  "for trying everything without hardware.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://example.invalid/marrowick")
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsInstaller.cmake)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The Qt libraries and everything else the programs link come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
