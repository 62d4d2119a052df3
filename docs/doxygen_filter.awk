# Doxygen input filter for the public headers: their comments are plain "//" prose, which this
# turns into documentation comments on the fly, so the headers keep reading as they do:
#   the comment that opens the file          ->  the file's description ("\file")
#   a comment on its own line                ->  the documentation of the declaration below
#   a comment after a declaration            ->  the documentation of that declaration ("///<"),
#                                                with the comment lines aligned under it joined
#   a declaration of several names ("int x, y;  // ...") becomes one declaration each, on the
#   same line, each with the comment
#   "// ---- section ----" rulers and comments after #include lines are dropped.
# Comment text is escaped, so that characters doxygen reads as commands or links stay text.
# Every output line stands for one input line, so doxygen's warnings name the right lines.

function escape(text) {
  gsub(/\\/, "\\\\", text)
  gsub(/[@<>#&%$]/, "\\\\&", text)
  return text
}

# Column of the "//" that starts a comment outside string and character literals, or 0.
function comment_column(line,    i, c, quote) {
  quote = ""
  for (i = 1; i < length(line); i++) {
    c = substr(line, i, 1)
    if (quote != "") {
      if (c == "\\") i++
      else if (c == quote) quote = ""
    } else if (c == "\"" || c == "'") {
      quote = c
    } else if (substr(line, i, 2) == "//") {
      return i
    }
  }
  return 0
}

# "int a, b;" with a documentation comment for each name: one declaration per name, on one line.
# Other code comes back unchanged.
function split_names(code, doc,    m, type, names, n, i, out, inner) {
  if (code !~ /^[ \t]*[A-Za-z_][A-Za-z_0-9 \t\*]*[ \t\*][A-Za-z_][A-Za-z_0-9]*([ \t]*,[ \t]*[A-Za-z_][A-Za-z_0-9]*)+[ \t]*;[ \t]*$/)
    return code doc
  m = match(code, /[A-Za-z_][A-Za-z_0-9]*[ \t]*,/)
  type = substr(code, 1, m - 1)
  sub(/[ \t]*;[ \t]*$/, "", code)
  n = split(substr(code, m), names, /[ \t]*,[ \t]*/)
  out = ""
  # A "///<" comment runs to the end of the line, so every name but the last gets a closed one.
  inner = doc
  sub(/^\/\/\/< /, "", inner)
  gsub(/\*\//, "* /", inner)
  for (i = 1; i < n; i++) out = out type names[i] "; /**< " inner " */ "
  return out type names[n] "; " doc
}

function flush() {
  if (have_pending) print pending
  for (; blanks > 0; blanks--) print ""
  have_pending = 0
}

BEGIN { head = 1; have_pending = 0; blanks = 0; trailing_col = 0 }

{
  line = $0
  col = comment_column(line)
  code = col ? substr(line, 1, col - 1) : line
  text = col ? substr(line, col + 2) : ""
  sub(/^ /, "", text)
  only_comment = col && code ~ /^[ \t]*$/

  if (head) {
    if (only_comment) {
      flush()
      pending = (NR == 1 ? "/// \\file " FILENAME " " : "/// ") escape(text)
      have_pending = 1
      next
    }
    head = 0
  }

  if (only_comment) {
    if (trailing_col && col == trailing_col && have_pending) {
      pending = pending " " escape(text)  # continues the comment of the line above
      blanks++
      next
    }
    flush()
    trailing_col = 0
    if (text ~ /^-+ .* -+$/ || text ~ /^-+$/) print ""
    else print "/// " escape(text)
    next
  }

  flush()
  trailing_col = 0
  if (!col) {
    pending = line
  } else if (code ~ /^[ \t]*#[ \t]*include/) {
    pending = code
  } else {
    pending = split_names(code, "///< " escape(text))
    trailing_col = col
  }
  have_pending = 1
}

END { flush() }
