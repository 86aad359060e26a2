# What `cmake --install` puts in place besides the programs (each program installs itself where it
# is built): the desktop entry, the icons, the AppStream metainfo, the manual pages and the bash
# completion; and the Debian package made from all of it with CPack (scripts/package).
include(GNUInstallDirs)

set(TAMARACK_APP_ID example.tamarack_scales.Tamarack)
install(FILES ${PROJECT_SOURCE_DIR}/res/${TAMARACK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/tamarack.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ${TAMARACK_APP_ID}.metainfo.xml)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tamarack-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tamarack.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/tamarack.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The package's copyright and change log, where Debian's tools look for them.
set(TAMARACK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tamarack)
install(FILES ${PROJECT_SOURCE_DIR}/res/copyright DESTINATION ${TAMARACK_DOC_DIR})
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/res/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/res/changelog)
add_custom_target(tamarack-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${TAMARACK_DOC_DIR})

# Manual pages, made from each program's --help and --version. A program built without a window
# system (TAMARACK_GUI=OFF) has no page.
find_program(HELP2MAN help2man)
function(tamarack_man_page program description)
  if(NOT HELP2MAN)
    message(WARNING "help2man not found: no manual page for ${program} (scripts/bootstrap installs it)")
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --no-discard-stderr --section=1 --name=${description}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9 -n -f ${page}
    DEPENDS ${program}
    COMMENT "Writing the manual page of ${program}")
  add_custom_target(${program}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# A program's bash and zsh completions, which it prints itself from its table of commands,
# installed where bash-completion and Debian's zsh look for them.
function(tamarack_shell_completion program)
  set(bash ${PROJECT_BINARY_DIR}/completion/${program})
  set(zsh ${PROJECT_BINARY_DIR}/completion/_${program})
  add_custom_command(OUTPUT ${bash} ${zsh}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completion
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:${program}> --completion bash > ${bash}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:${program}> --completion zsh > ${zsh}
    DEPENDS ${program}
    COMMENT "Writing the bash and zsh completions of ${program}")
  add_custom_target(${program}-completion ALL DEPENDS ${bash} ${zsh})
  install(FILES ${bash} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${zsh} DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
endfunction()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamarack)
set(CPACK_PACKAGE_VENDOR "Tamarack developers")
set(CPACK_PACKAGE_CONTACT "Tamarack developers <developers@tamarack-scales.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setup tool for industrial weighing indicators")
set(CPACK_PACKAGE_DESCRIPTION "Tamarack talks to a weighing indicator, the electronic terminal of a\n\
scale, over its RS-232 port: it shows the indicator's display and keys live,\n\
reads and writes its setup parameters and keeps them in files, calibrates the\n\
scale, edits and transfers ticket print formats and sets up piece counting.\n\
A simulated indicator (tamarack-sim) lets everything be tried without one.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tamarack-scales.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
