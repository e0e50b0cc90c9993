# The Windows installer, marrowick-VERSION-win64.exe (cpack in the build folder,
# with NSIS's makensis). Beside the programs in bin\ it installs what they load:
# the MinGW runtime DLLs and the Qt DLLs and plugins that windeployqt would pick
# for the Qt modules the programs use (windeployqt itself runs only on Windows).
# Included from Install.cmake.

install(FILES ${MARROWICK_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET Qt6::Core)
  foreach(module Core Gui Widgets Network SerialPort)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION ${CMAKE_INSTALL_BINDIR})
  endforeach()

  # windeployqt's plugins for those modules, each that this Qt has, in a folder
  # of its type beside the programs: the Windows platform, image formats and
  # touch input (Gui), the Windows style (Widgets), the TLS backends and the
  # network information (Network).
  set(MARROWICK_QT_PLUGINS
    QWindowsIntegrationPlugin QGifPlugin QICOPlugin QJpegPlugin QTuioTouchPlugin
    QWindowsVistaStylePlugin
    QSchannelBackendPlugin QTlsBackendCertOnlyPlugin QTlsBackendOpenSSLPlugin QNLMNIPlugin)
  foreach(plugin ${MARROWICK_QT_PLUGINS})
    if(TARGET Qt6::${plugin})
      get_target_property(type Qt6::${plugin} QT_PLUGIN_TYPE)
      install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION ${CMAKE_INSTALL_BINDIR}/${type})
    endif()
  endforeach()
  if(NOT TARGET Qt6::QWindowsIntegrationPlugin)
    message(WARNING "This Qt has no Windows platform plugin: the installed window will not start")
  endif()
endif()

# The DLLs come with their debugging symbols (libstdc++ alone has 23 MB of
# them); the installed copies are stripped, as the programs are.
if(CMAKE_STRIP)
  install(CODE "
    file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/*.dll\")
    foreach(dll IN LISTS dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\")
    endforeach()")
endif()

set(CPACK_GENERATOR NSIS)
# A 64-bit installer for 64-bit programs: it writes the 64-bit registry and
# Program Files, and runs where only 64-bit Windows programs can (wine64).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_PACKAGE_FILE_NAME "marrowick-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Marrowick Interface Utility")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "marrowick")
set(CPACK_NSIS_PACKAGE_NAME "Marrowick Interface Utility")
set(CPACK_NSIS_DISPLAY_NAME "Marrowick Interface Utility")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/packaging/marrowick.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/packaging/marrowick.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\marrowick.exe")
# Start menu: the program, a second entry that tries it on a simulated
# controller (as the Linux menu has), and the uninstaller.
set(CPACK_PACKAGE_EXECUTABLES marrowick "Marrowick Interface Utility")
set(CPACK_NSIS_CREATE_ICONS_EXTRA
  "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Try with a simulated controller.lnk' '$INSTDIR\\\\${CMAKE_INSTALL_BINDIR}\\\\marrowick.exe' '--simulate K5'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA
  "Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\Try with a simulated controller.lnk'")
