# What `cmake --install` puts on the system and how `cpack -G DEB` wraps it: a package built to
# Debian's rules (lintian finds nothing), documents under the package's own name, a
# machine-readable copyright file, the changelog and the AppStream metainfo.
include(GNUInstallDirs)
set(ARVANA_PACKAGING_SOURCE ${CMAKE_SOURCE_DIR}/packaging)
set(ARVANA_PACKAGING_BUILD ${CMAKE_BINARY_DIR}/packaging)
# Debian looks for a package's documents under its name, whatever the project is called.
set(ARVANA_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${ARVANA_PACKAGE})

# The changelog, packaging/changelog, in Debian's format; its newest entry is this release. It
# must name the project's version, so that the package and its history never disagree.
# Newest entry: "arvana-adjust (VERSION) unstable; urgency=medium", its trailer
# " -- NAME <ADDRESS>  Thu, 10 Dec 2026 05:00:00 +0000".
# Both files are read here, so a change to either configures the build again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${ARVANA_PACKAGING_SOURCE}/changelog ${ARVANA_PACKAGING_SOURCE}/description.txt)
file(STRINGS ${ARVANA_PACKAGING_SOURCE}/changelog ARVANA_CHANGELOG_FIRST LIMIT_COUNT 1)
string(REGEX MATCH "^${ARVANA_PACKAGE} \\(([^)]+)\\)" matched "${ARVANA_CHANGELOG_FIRST}")
set(ARVANA_RELEASE_VERSION "${CMAKE_MATCH_1}")
if(NOT ARVANA_RELEASE_VERSION STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog: the newest entry is version '${ARVANA_RELEASE_VERSION}', "
                      "the project's version is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}")
endif()
file(STRINGS ${ARVANA_PACKAGING_SOURCE}/changelog ARVANA_CHANGELOG_TRAILER REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX MATCH "  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) " matched
       "${ARVANA_CHANGELOG_TRAILER}")
set(day "${CMAKE_MATCH_1}")
set(year "${CMAKE_MATCH_3}")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months "${CMAKE_MATCH_2}" month)
if(NOT matched OR month LESS 0)
  message(FATAL_ERROR "packaging/changelog: the newest entry's trailer has no date: '${ARVANA_CHANGELOG_TRAILER}'")
endif()
math(EXPR month "${month} + 1")
string(REGEX REPLACE "^([0-9])$" "0\\1" month "${month}")
string(REGEX REPLACE "^([0-9])$" "0\\1" day "${day}")
set(ARVANA_RELEASE_DATE "${year}-${month}-${day}")

# Debian wants the changelog compressed the same way on every build: gzip -9n leaves out the
# name and the time stamp.
find_program(ARVANA_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${ARVANA_PACKAGING_BUILD}/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E copy ${ARVANA_PACKAGING_SOURCE}/changelog ${ARVANA_PACKAGING_BUILD}/changelog
                   COMMAND ${ARVANA_GZIP} -9nf ${ARVANA_PACKAGING_BUILD}/changelog
                   DEPENDS ${ARVANA_PACKAGING_SOURCE}/changelog
                   COMMENT "Compressing the changelog")
add_custom_target(arvana_changelog ALL DEPENDS ${ARVANA_PACKAGING_BUILD}/changelog.gz)

# The long description, packaging/description.txt, is the package's and the metainfo's: its
# paragraphs, separated by an empty line, become the metainfo's <p> elements. It holds no
# character that XML would need escaped, nor an apostrophe, which CPack writes as "&apos;".
file(READ ${ARVANA_PACKAGING_SOURCE}/description.txt ARVANA_DESCRIPTION)
if(ARVANA_DESCRIPTION MATCHES "[<>&']")
  message(FATAL_ERROR "packaging/description.txt: write it without <, >, & and ': "
                      "the metainfo takes it as XML, and CPack escapes the apostrophe")
endif()
string(STRIP "${ARVANA_DESCRIPTION}" description)
string(REGEX REPLACE "\n\n+" "</p><p>" description "${description}")  # the paragraphs' ends
string(REPLACE "\n" " " description "${description}")  # the lines of a paragraph joined
string(REPLACE "</p><p>" "</p>\n    <p>" description "${description}")  # a paragraph a line
set(ARVANA_DESCRIPTION_XML "    <p>${description}</p>")
set(ARVANA_METAINFO ${ARVANA_PACKAGING_BUILD}/${ARVANA_APP_ID}.metainfo.xml)
configure_file(${ARVANA_PACKAGING_SOURCE}/${ARVANA_APP_ID}.metainfo.xml.in ${ARVANA_METAINFO} @ONLY)
configure_file(${ARVANA_PACKAGING_SOURCE}/copyright.in ${ARVANA_PACKAGING_BUILD}/copyright @ONLY)

set(ARVANA_PROGRAMS arvana-adjust arvana-service arvana-printer-sim)
install(TARGETS ${ARVANA_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# udev's helpers live beside its rules, where IMPORT{program} finds them by name.
set(ARVANA_UDEV_DIR lib/udev)
install(TARGETS arvana-usb-maker RUNTIME DESTINATION ${ARVANA_UDEV_DIR})
# A stripped program goes without the compiler's notes too (its .comment section), as Debian
# strips its own; `cmake --install --strip` and cpack strip, a plain install keeps everything.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${ARVANA_PROGRAMS})
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    foreach(program arvana-usb-maker)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ARVANA_UDEV_DIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
install(FILES packaging/${ARVANA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ARVANA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES packaging/arvana-adjust.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/60-arvana-printers.rules DESTINATION ${ARVANA_UDEV_DIR}/rules.d)
# What lintian reports and is meant so, each with its reason.
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ${ARVANA_PACKAGE})
install(FILES packaging/README.parallel-ports README.md ${ARVANA_PACKAGING_BUILD}/copyright
              ${ARVANA_PACKAGING_BUILD}/changelog.gz
        DESTINATION ${ARVANA_DOCDIR})

set(CPACK_PACKAGE_NAME ${ARVANA_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Arvana service tools")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ARVANA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service and adjustment program for the Arvana Print 350 and 360")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${ARVANA_PACKAGING_SOURCE}/description.txt)
set(CPACK_PACKAGE_HOMEPAGE_URL ${ARVANA_HOMEPAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Scans saved as TIFF are read through the image format plugins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# The programs go without their symbol tables, as Debian ships them; the build tree keeps them.
set(CPACK_STRIP_FILES ON)
# Files and folders the way dpkg expects them: root's, folders 0755, files 0644 or 0755 for programs.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
