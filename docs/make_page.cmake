# Turns the manual into the HTML page the Functions window opens:
#   cmake -DCMARK=... -DSOURCE=manual.md -DHEAD=... -DTAIL=... -DOUTPUT=quorva.html -DVERSION=4.00 -P make_page.cmake
execute_process(COMMAND ${CMARK} --extension table --to html ${SOURCE}
                OUTPUT_VARIABLE body RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${CMARK} failed on ${SOURCE}")
endif()
# Headings get the ids the contents links use: lower case, runs of other characters made "-".
string(REGEX MATCHALL "<h[23]>[^<]*</h[23]>" headings "${body}")
foreach(h IN LISTS headings)
  string(REGEX REPLACE "^<(h[23])>([^<]*)</h[23]>$" "\\1" tag "${h}")
  string(REGEX REPLACE "^<h[23]>([^<]*)</h[23]>$" "\\1" text "${h}")
  string(TOLOWER "${text}" slug)
  string(REPLACE "&amp;" "" slug "${slug}")
  string(REGEX REPLACE "[^a-z0-9]+" "-" slug "${slug}")
  string(REGEX REPLACE "^-|-$" "" slug "${slug}")
  string(REPLACE "${h}" "<${tag} id=\"${slug}\">${text}</${tag}>" body "${body}")
endforeach()
file(READ ${HEAD} head)
file(READ ${TAIL} tail)
string(REPLACE "@QUORVA_VERSION@" "${VERSION}" head "${head}")
string(REPLACE "@QUORVA_VERSION@" "${VERSION}" tail "${tail}")
file(WRITE ${OUTPUT} "${head}${body}${tail}")
