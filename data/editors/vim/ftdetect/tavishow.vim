" Tavishow game scripts: Gamefile.txt, and any .txt whose first lines hold
" a "[Scene]" header and "@command =" lines. Vim takes every .txt for plain
" text first, so these set the type rather than offer it.
function! s:TavishowDetect() abort
  let l:lines = getline(1, 60)
  if match(l:lines, '^\[[^\]]\+\]\r\=$') >= 0 && match(l:lines, '^@\a\w*\s*=') >= 0
    set filetype=tavishow
  endif
endfunction
autocmd BufNewFile,BufRead [Gg][Aa][Mm][Ee][Ff][Ii][Ll][Ee].[Tt][Xx][Tt] set filetype=tavishow
autocmd BufRead *.txt,*.TXT call s:TavishowDetect()
