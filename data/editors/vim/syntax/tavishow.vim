" Vim syntax file
" Language: Tavishow game script (Gamefile.txt), as the Parvel player reads it
"
" A scene starts with a "[Name]" header line. A command is "@name = value";
" the value runs on over the lines up to the next command, and "//" ends the
" part the player reads. A "/" just before "@" switches a command off.

if exists('b:current_syntax')
  finish
endif

syntax case ignore

syntax match tavishowHeader /^\[[^\]]*\]/
syntax match tavishowOff /^\/\/\=@.*$/
syntax match tavishowComment /\/\/.*$/ contains=@Spell

syntax match tavishowCommand /^@\a\w*\ze\s*=/ nextgroup=tavishowEquals skipwhite
syntax match tavishowSceneCommand /^@\%(link[1-6]\|winscene\|losescene\|firstscene\)\ze\s*=/
      \ nextgroup=tavishowSceneEquals skipwhite
syntax match tavishowEquals /=/ contained nextgroup=tavishowValue skipwhite
syntax match tavishowSceneEquals /=/ contained nextgroup=tavishowKeyword,tavishowScene skipwhite
syntax match tavishowValue /\%(\/\/\)\@!.\{-}\ze\s*\%(\/\/\|$\)/ contained contains=tavishowKeyword,tavishowBreak
syntax match tavishowScene /\%(\/\/\)\@!.\{-}\ze\s*\%(\/\/\|$\)/ contained contains=tavishowKeyword
syntax keyword tavishowKeyword contained RANDOM TRUE FALSE STOP SLOW MEDIUM FAST
syntax match tavishowBreak /\\n/ contained

highlight default link tavishowHeader Title
highlight default link tavishowCommand Keyword
highlight default link tavishowSceneCommand Keyword
highlight default link tavishowEquals Operator
highlight default link tavishowSceneEquals Operator
highlight default link tavishowValue String
highlight default link tavishowScene Identifier
highlight default link tavishowKeyword Constant
highlight default link tavishowBreak SpecialChar
highlight default link tavishowComment Comment
highlight default link tavishowOff Comment

let b:current_syntax = 'tavishow'
