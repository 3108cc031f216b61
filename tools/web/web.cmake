# How the game is linked for a web page (included by the top-level
# CMakeLists.txt when building with emscripten; tools/build-web.sh does).
#
# - Asyncify: the game's loop is the blocking loop of the other platforms;
#   each flip and sleep unwinds to the browser and comes back
#   (runtime/system_faults_web.cpp).
# - The program ends with exit(): the page learns the exit code (onExit).
# - The files the game reads come from a package the page loads beside
#   tileworld.js (tools/build-web.sh packs each game on its own); the file
#   system is kept in the program for them. The monospace font of the debug
#   line is packed into the program's own data at the top of the tree,
#   where SDL's base path points.
set(TILEWORLD_WEB_FONT /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf CACHE FILEPATH
    "The monospace font packed for the debug line")

# SDL's sound asks the page for these two functions, which CMake would mangle
# on a command line ($): they go in a response file, with what the page
# reaches of the program's runtime and the page's own wait that unwinds the
# program (runtime/system_faults_web.cpp).
set(web_response ${CMAKE_BINARY_DIR}/web-link.rsp)
file(WRITE ${web_response}
  "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=['$autoResumeAudioContext','$dynCall']\n"
  "-sEXPORTED_RUNTIME_METHODS=['FS','ENV','callMain','addRunDependency','removeRunDependency']\n"
  "-sASYNCIFY_IMPORTS=['wait_for_animation_frame']\n")

target_link_options(tileworld PRIVATE
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1 -sENVIRONMENT=web
  "@${web_response}"
  "--preload-file" "${TILEWORLD_WEB_FONT}@/DejaVuSansMono.ttf")
set_target_properties(tileworld PROPERTIES SUFFIX ".js")
