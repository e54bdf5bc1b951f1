# SPDX-License-Identifier: GPL-3.0-or-later
# One page of the manual: CommonMark with tables (IN) made into an HTML page
# (OUT) by cmark-gfm, its links to other pages and pictures pointed at the
# built ones.
execute_process(COMMAND ${CMARK} --extension table --unsafe --smart ${IN}
                OUTPUT_VARIABLE body RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmark could not read ${IN}")
endif()
string(REGEX REPLACE "href=\"([A-Za-z0-9_-]+)\\.md" "href=\"\\1.html" body "${body}")
# The program's viewer knows anchors by name, browsers by id: both.
string(REGEX REPLACE "<a id=\"([^\"]+)\"></a>" "<a id=\"\\1\" name=\"\\1\"></a>" body "${body}")
string(REPLACE "src=\"../screenshots/" "width=\"640\" src=\"bilder/" body "${body}")
set(title "Handbuch")
if(body MATCHES "<h1>([^<]*)</h1>")
  set(title "${CMAKE_MATCH_1}")
endif()
file(WRITE ${OUT} "<!DOCTYPE html>
<html lang=\"de\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { font-family: sans-serif; line-height: 1.4; max-width: 52em; margin: 1em auto; }
h1 { font-size: 160%; } h2 { font-size: 130%; margin-top: 1.2em; } h3 { font-size: 110%; }
table { border-collapse: collapse; } th, td { border: 1px solid #bbb; padding: 3px 6px; }
code { font-family: monospace; } pre { background: #f4f4f4; padding: 6px; }
</style>
</head>
<body>
${body}</body>
</html>
")
