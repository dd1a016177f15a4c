# nimbulo_metainfo(OUT): the AppStream metadata from data/nimbulo.metainfo.xml.in (its release
# list is kept by hand, newest first) with the id and, when the build names a home page
# (NIMBULO_HOME_PAGE), its address and the screenshot published below it
# (<home page>screenshots/nimbulo-main.png, the file data/screenshots/nimbulo-main.png).
# AppStream takes screenshots by web address only: a build without a home page has no address
# to give, so its metadata names none (the image still ships in share/nimbulo/screenshots).
# Also usable as a script:
#   cmake -DOUT=FILE -DNIMBULO_HOME_PAGE=URL -DNIMBULO_APP_ID=ID -P cmake/Metainfo.cmake
function(nimbulo_metainfo out)
  set(NIMBULO_METAINFO_WEB "")
  if(NOT NIMBULO_HOME_PAGE STREQUAL "")
    string(CONCAT NIMBULO_METAINFO_WEB
      "  <url type=\"homepage\">${NIMBULO_HOME_PAGE}</url>\n"
      "  <screenshots>\n"
      "    <screenshot type=\"default\">\n"
      "      <caption>The main window with a station's values, and the value in the panel</caption>\n"
      "      <image>${NIMBULO_HOME_PAGE}screenshots/nimbulo-main.png</image>\n"
      "    </screenshot>\n"
      "  </screenshots>\n")
  endif()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../data/nimbulo.metainfo.xml.in ${out} @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  nimbulo_metainfo(${OUT})
endif()
