# One page of the user guide: Markdown (MARKDOWN) to a whole HTML page (HTML)
# with cmark. The title is the first heading.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CMARK} --to html ${MARKDOWN} OUTPUT_VARIABLE body COMMAND_ERROR_IS_FATAL ANY)
file(STRINGS ${MARKDOWN} heading REGEX "^# " LIMIT_COUNT 1 ENCODING UTF-8)
string(REGEX REPLACE "^# " "" title "${heading}")
get_filename_component(name ${MARKDOWN} NAME_WE)
set(lang en)
if(MARKDOWN MATCHES "\\.ja\\.md$")
  set(lang ja)
endif()
file(WRITE ${HTML} "<!DOCTYPE html>
<html lang=\"${lang}\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { font-family: sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.5; }
img { max-width: 100%; border: 1px solid #ccc; }
code, pre { background: #f4f4f4; }
</style>
</head>
<body>
${body}</body>
</html>
")
