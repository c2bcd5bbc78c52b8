# What the packages hold, and CPack's settings. One command builds them:
#   cmake --build --preset windows --target package   the zip and the installer
#   cmake --build --preset native --target package    the .deb of mendora-cli
# The version is the project's.

set(CPACK_PACKAGE_NAME Mendora)
set(CPACK_PACKAGE_VENDOR "Veltrax Kestrix")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Repairs and relocates reference AVI files")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Mendora)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The program folder: both programs, the README and the user guide.
  install(TARGETS mendora mendora-cli RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  include(${CMAKE_CURRENT_LIST_DIR}/Guide.cmake)

  set(CPACK_GENERATOR "ZIP;NSIS")
  set(CPACK_PACKAGE_FILE_NAME mendora-${PROJECT_VERSION}-win64)
  # Our own installer script: a per-user install (no administrator), the
  # Start-menu folder, the uninstall entry and Explorer's verb, all under
  # HKEY_CURRENT_USER.
  list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/packaging)
  set(CPACK_NSIS_COMPRESSOR lzma)
  set(CPACK_MENDORA_ICON ${PROJECT_SOURCE_DIR}/src/resources/mendora.ico)
  # The installer's texts come from strings.txt, in English and Japanese.
  set(CPACK_MENDORA_NSIS_TEXTS ${CMAKE_BINARY_DIR}/packaging/texts.nsh)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DSTRINGS_TXT=${PROJECT_SOURCE_DIR}/src/resources/strings.txt
            -DSTRINGS_NSH=${CPACK_MENDORA_NSIS_TEXTS}
            "-DSTRINGS_NSH_IDS=VerbFix=IDS_SHELL_VERB_FIX;GuideShortcut=IDS_GUIDE_SHORTCUT"
            -P ${CMAKE_CURRENT_LIST_DIR}/packaging/InstallerTexts.cmake
    COMMAND_ERROR_IS_FATAL ANY)
else()
  # Linux: the console tool, its manual page and its bash completion (found
  # by bash-completion under the command's name).
  install(TARGETS mendora-cli RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/src/cli/completion/mendora-cli.bash
          DESTINATION share/bash-completion/completions RENAME mendora-cli)
  configure_file(${PROJECT_SOURCE_DIR}/docs/mendora-cli.1.in ${CMAKE_BINARY_DIR}/packaging/mendora-cli.1 @ONLY)
  set(man_page ${CMAKE_BINARY_DIR}/packaging/mendora-cli.1.gz)
  add_custom_command(OUTPUT ${man_page}
    COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/packaging/mendora-cli.1 > ${man_page}
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/mendora-cli.1
    COMMENT "Compressing the manual page")
  add_custom_target(mendora_man_page ALL DEPENDS ${man_page})
  install(FILES ${man_page} DESTINATION share/man/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME mendora-cli)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Veltrax Kestrix")
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The summary is the first line of the Description; CPack indents these.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "mendora-cli lists the data links of DV reference AVI files, finds missing
data files, writes corrected reference AVI files, and copies or moves a
reference AVI file with all its data files. Drive letters map to folders
through a per-user drive map.")
endif()

include(CPack)
