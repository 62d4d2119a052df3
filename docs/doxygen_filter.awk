# Doxygen input filter for the public headers: their comments are plain "//" prose, which this
# turns into documentation comments on the fly, so the headers keep reading as they do:
#   the comment that opens the file          ->  the file's description ("\file")
#   a comment on its own line                ->  the documentation of the declaration below
#   a comment after a declaration            ->  the documentation of that declaration ("///<"),
#                                                with the comment lines aligned under it joined
#   a declaration of several names ("int x, y;  // ...") becomes one declaration each, on the
#   same line, each with the comment
#   "// ---- section ----" rulers, comments after #include lines and the C declarations
#   "typedef struct X X;" are dropped, so that the comment above such a typedef documents the
#   record itself
# Comment text is escaped, so that characters doxygen reads as commands or links stay text.
# Every output line stands for one input line, so doxygen's warnings name the right lines.

# Doxygen takes text in double quotes as it is, so only the characters outside quotes are escaped.
function escape(text,    out, i, c, quoted) {
  out = ""
  quoted = 0
  for (i = 1; i <= length(text); i++) {
    c = substr(text, i, 1)
    if (c == "\"") quoted = !quoted
    else if (!quoted && index("\\@<>#&%$", c)) c = "\\" c
    out = out c
  }
  return out
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
function split_names(code, doc,    body, pieces, n, i, type, first, out, inner) {
  body = code
  # Pointers ("char* p, q") and anything but plain names are left alone.
  if (body ~ /[()\[\]{}=*]/ || body !~ /,/ || body !~ /;[ \t]*$/) return code doc
  sub(/;[ \t]*$/, "", body)
  n = split(body, pieces, ",")
  for (i = 1; i <= n; i++) {
    gsub(/^[ \t]+|[ \t]+$/, "", pieces[i])
    if (i > 1 && pieces[i] !~ /^[A-Za-z_][A-Za-z_0-9]*$/) return code doc
  }
  # The type is what the first piece holds before its last word.
  first = body
  sub(/,.*/, "", first)
  if (!match(first, /[A-Za-z_][A-Za-z_0-9]*[ \t]*$/) || RSTART == 1) return code doc
  type = substr(first, 1, RSTART - 1)
  if (type !~ /[A-Za-z_]/) return code doc
  sub(/.*[ \t]/, "", pieces[1])
  # A "///<" comment runs to the end of the line, so every name but the last gets a closed one.
  inner = doc
  sub(/^\/\/\/< /, "", inner)
  gsub(/\*\//, "* /", inner)
  out = ""
  for (i = 1; i < n; i++) out = out type pieces[i] "; /**< " inner " */ "
  return out type pieces[n] "; " doc
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
  if (!col && line ~ /^[ \t]*typedef[ \t]+(struct|enum|union)[ \t]+[A-Za-z_0-9]+[ \t]+[A-Za-z_0-9]+[ \t]*;[ \t]*$/) {
    pending = ""
  } else if (!col) {
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
