# Installing like a desktop application: the program, its help file, the
# menu entry, the icon and the software-centre description, and a Debian
# package of them (cpack -G DEB).
include(GNUInstallDirs)
set(desktop ${PROJECT_SOURCE_DIR}/resources/desktop)

install(TARGETS pictavo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped program goes without the compilers' notes too, as Debian's own
# packaging strips it (the version record's section stays).
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pictavo\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
# The program looks for its help file in ../share/pictavo beside its folder.
install(FILES ${PICTAVO_HELP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/pictavo)
install(FILES ${desktop}/example.vornholt.Pictavo.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop}/example.vornholt.Pictavo.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop}/pictavo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${desktop}/pictavo-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME pictavo.png)
endforeach()

# The manual page and the changelog go compressed, as Debian has them
# (gzip -n: no name or time stamp, so the same text gives the same bytes).
find_program(PICTAVO_GZIP gzip REQUIRED)
set(PICTAVO_COMPRESSED)
foreach(file man/pictavo.1 debian/changelog)
  get_filename_component(name ${file} NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/generated/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/resources/${file}
      ${CMAKE_CURRENT_BINARY_DIR}/generated/${name}
    COMMAND ${PICTAVO_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/generated/${name}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/${file}
    COMMENT "Compressing ${name}" VERBATIM)
  list(APPEND PICTAVO_COMPRESSED ${out})
endforeach()
add_custom_target(pictavo_docs ALL DEPENDS ${PICTAVO_COMPRESSED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/generated/pictavo.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The folder is named after the package, not the project.
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
    ${CMAKE_CURRENT_BINARY_DIR}/generated/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pictavo)

set(CPACK_PACKAGE_NAME pictavo)
set(CPACK_PACKAGE_VENDOR Vornholt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vornholt <pictavo@vornholt.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "crop a folder of photographs for printing")
set(CPACK_PACKAGE_DESCRIPTION
  "Pictavo shows every JPEG picture of a folder full-screen under a cropping
frame of a fixed print ratio; one click writes the cut into another folder.
Brightness, contrast, saturation, smoothing and red-eye removal are at hand
while cropping.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.vornholt.example/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library dependency names them: the database
# driver the help engine reads the help file with, and the font that stands
# in for Verdana.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-dejavu-core")
include(CPack)
