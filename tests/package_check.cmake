# Builds the Debian package of a Release build, unpacks it and checks what a
# user gets from `apt install`: the programs, desktop entry, icons, AppStream
# metadata, manual pages and Debian's documents, the control fields, and that
# the unpacked quorvex-render runs. Lintian and appstreamcli check it too
# where they are installed.
#
# Needs BUILD_DIR, SOURCE_DIR, WORK_DIR, VERSION and CPACK.

foreach(tool dpkg-deb dpkg-shlibdeps)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message("package check skipped: ${tool} is not installed")
    return()
  endif()
endforeach()

function(fail what)
  message(FATAL_ERROR "${what}")
endfunction()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    fail("${ARGN} failed (${status}):\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
run("${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}")
file(GLOB debs "${WORK_DIR}/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  fail("expected one package in ${WORK_DIR}, found: ${debs}")
endif()
if(NOT debs MATCHES "/quorvex_${VERSION}_([a-z0-9]+)\\.deb$")
  fail("package file named ${debs}")
endif()
set(arch "${CMAKE_MATCH_1}")
set(deb "${debs}")

# Control fields: Depends comes from the binaries' libraries, plus the fonts.
run("${found_dpkg-deb}" --field "${deb}")
set(control "${out}")
foreach(field "Package: quorvex\n" "Architecture: ${arch}\n" "Version: ${VERSION}\n" "Section: science\n" "Maintainer: [^\n]+<[^\n]+@[^\n]+>\n"
              "Depends: [^\n]*fonts-liberation" "Depends: [^\n]*libc6 " "Depends: [^\n]*libpng16-16 "
              "Depends: [^\n]*libqt6widgets6 " "Description: [^\n]+\n [^\n]+")
  if(NOT control MATCHES "${field}")
    fail("control lacks ${field}:\n${control}")
  endif()
endforeach()
if(control MATCHES "Homepage:")
  fail("control has a Homepage:\n${control}")
endif()

# Every entry belongs to root, with the permissions Debian expects.
run("${found_dpkg-deb}" --contents "${deb}")
string(REGEX REPLACE "\n$" "" listing "${out}")
string(REPLACE "\n" ";" listing "${listing}")
foreach(entry IN LISTS listing)
  if(NOT entry MATCHES "^(drwxr-xr-x|-rwxr-xr-x|-rw-r--r--) root/root ")
    fail("unexpected owner or permissions: ${entry}")
  endif()
endforeach()

set(root "${WORK_DIR}/root")
run("${found_dpkg-deb}" --extract "${deb}" "${root}")
set(share "${root}/usr/share")
set(expected usr/bin/quorvex usr/bin/quorvex-render usr/share/applications/quorvex.desktop
             usr/share/metainfo/io.github.quorvex.quorvex.metainfo.xml usr/share/man/man1/quorvex.1.gz
             usr/share/man/man1/quorvex-render.1.gz usr/share/doc/quorvex/copyright
             usr/share/doc/quorvex/changelog.gz)
# Every size of the icon that the project draws, in the hicolor theme.
file(GLOB icons "${SOURCE_DIR}/shells/icons/quorvex-[0-9]*.png")
if(NOT icons)
  fail("no icons in ${SOURCE_DIR}/shells/icons")
endif()
foreach(icon IN LISTS icons)
  string(REGEX REPLACE ".*quorvex-([0-9]+)\\.png$" "\\1" size "${icon}")
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/quorvex.png)
endforeach()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${root}/${f}")
    fail("not in the package: ${f}")
  endif()
endforeach()

# The metainfo names this version and a desktop entry that the package has;
# so does the changelog.
file(READ "${share}/metainfo/io.github.quorvex.quorvex.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<id>io.github.quorvex.quorvex</id>")
  fail("metainfo id differs from its file name")
endif()
if(NOT metainfo MATCHES "<release version=\"${VERSION}\"")
  fail("metainfo's releases lack ${VERSION}")
endif()
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">([^<]+)</launchable>"
   OR NOT EXISTS "${share}/applications/${CMAKE_MATCH_1}")
  fail("metainfo's launchable is not in the package")
endif()
run(gzip -dc "${share}/doc/quorvex/changelog.gz")
if(NOT out MATCHES "^quorvex \\(${VERSION}\\) ")
  fail("changelog does not begin with ${VERSION}")
endif()

# The unpacked renderer runs: its version, and the default run's result.
run("${root}/usr/bin/quorvex-render" --version)
if(NOT out STREQUAL "quorvex-render ${VERSION}\n")
  fail("--version printed '${out}'")
endif()
run("${root}/usr/bin/quorvex-render" --output "${WORK_DIR}/default.png")
if(NOT out STREQUAL "Shortest Distance: 18.19664 AU\n" OR NOT EXISTS "${WORK_DIR}/default.png")
  fail("the unpacked quorvex-render printed '${out}'")
endif()

find_program(appstreamcli appstreamcli)
if(appstreamcli)
  run("${appstreamcli}" validate-tree --pedantic --no-net "${root}")
  if(out MATCHES "(^|\n)[EWIP]: ")
    fail("appstreamcli:\n${out}")
  endif()
endif()
find_program(lintian lintian)
if(lintian)
  run("${lintian}" --fail-on error,warning "${deb}")
  # Not even lintian's pedantic hardening tags: bound at load time and
  # fortified.
  run("${lintian}" --pedantic --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro,hardening-no-pie
      "${deb}")
  if(NOT out STREQUAL "")
    fail("lintian's hardening tags:\n${out}")
  endif()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
