# Makes the classic-script builds of the <vantorel-player> element from its ES module (run with
# cmake -P): IN the module, OUT the classic script; with LOADER, OUT carries that single-file
# player loader (the WebAssembly inside) ahead of the element, and ZSTD (when given) the zstd
# module, so it needs no other file.
file(READ "${IN}" code)
string(REPLACE "const here = import.meta.url;"
       "const here = (document.currentScript && document.currentScript.src) || location.href;"
       code "${code}")
string(REPLACE "export function " "function " code "${code}")
string(REPLACE "export class " "class " code "${code}")
set(head "")
if(LOADER)
  file(READ "${LOADER}" loader)
  set(head "${loader}\nglobalThis.VantorelPlayer = VantorelPlayer;\nglobalThis.VantorelPlayerSingleFile = true;\n")
  # zstd's module too, in hexadecimal, which CMake can write.
  if(ZSTD)
    file(READ "${ZSTD}" zstd HEX)
    string(APPEND head "globalThis.VantorelZstdWasm = '${zstd}';\n")
  endif()
endif()
file(WRITE "${OUT}" "${head}(function () {\n${code}\nglobalThis.VantorelPlayerElement = VantorelPlayerElement;\n})();\n")
