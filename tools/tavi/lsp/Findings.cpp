#include "Findings.h"

#include <algorithm>

#include "Lint.h"
#include "Paths.h"
#include "Server.h"
#include "Vb.h"

namespace parvel::lsp {

namespace {

// What a finding names in quotes, or after its last ": " (a file, a scene).
std::string namedIn(const std::string &message) {
  if (const size_t a = message.find('\''); a != std::string::npos)
    if (const size_t b = message.find('\'', a + 1); b != std::string::npos)
      return message.substr(a + 1, b - a - 1);
  if (const size_t c = message.rfind(": "); c != std::string::npos)
    return message.substr(c + 2);
  return {};
}

// The text on `line` a finding is about: the scene's name on a header line;
// on a command's line the part of its value the message names, else the
// value, else the command's name; otherwise the line itself.
Span spanOnLine(const ScriptIndex &idx, size_t line,
                const std::string &message) {
  if (line >= idx.lineCount())
    return {idx.text().size(), idx.text().size()};
  const size_t a = idx.lineStart(line), e = idx.lineEnd(line);
  const int s = idx.sceneAt(a);
  if (s >= 0) {
    const SceneInfo &scene = idx.scenes()[static_cast<size_t>(s)];
    if (scene.whole.begin >= a && scene.whole.begin <= e)
      return scene.named ? scene.nameSpan : scene.header;
    for (const auto &c : scene.commands) {
      if (c.nameSpan.begin != a)
        continue;
      if (c.valueSpan.end == c.valueSpan.begin)
        return c.nameSpan;
      const std::string name = namedIn(message);
      const std::string value = vb::UCase(idx.text().substr(
          c.valueSpan.begin, c.valueSpan.end - c.valueSpan.begin));
      if (!name.empty())
        if (const size_t at = value.find(vb::UCase(name));
            at != std::string::npos)
          return {c.valueSpan.begin + at, c.valueSpan.begin + at + name.size()};
      return c.valueSpan;
    }
  }
  Span span{a, e};
  while (span.begin < span.end && idx.text()[span.begin] == ' ')
    ++span.begin;
  while (span.end > span.begin && idx.text()[span.end - 1] == ' ')
    --span.end;
  return span;
}

} // namespace

std::vector<Finding> lintFindings(const Game &game) {
  const std::string &root = game.files[0].path;
  auto findings = lintGame(root, {.labelText = true});
  for (auto &w : lintStory(root))
    findings.push_back(std::move(w));
  std::vector<Finding> out;
  for (const auto &l : findings) {
    Finding f;
    f.warning = l.severity == Severity::Warning;
    f.code = l.code;
    f.message = l.message;
    const int file = game.fileOf(resolvePath(l.file));
    f.file = std::max(file, 0);
    const ScriptIndex &idx = *game.files[static_cast<size_t>(f.file)].index;
    if (file < 0 || l.line <= 0) {
      if (file < 0)
        f.message = fileNameOf(l.file) + ": " + f.message;
      f.span = {0, 0};
    } else if (l.column > 0) {
      const size_t at = idx.offsetAt(static_cast<size_t>(l.line - 1),
                                     static_cast<size_t>(l.column - 1));
      const Span line =
          spanOnLine(idx, static_cast<size_t>(l.line - 1), l.message);
      f.span = line.contains(at)
                   ? line
                   : Span{at, idx.lineEnd(static_cast<size_t>(l.line - 1))};
    } else {
      f.span = spanOnLine(idx, static_cast<size_t>(l.line - 1), l.message);
    }
    // A list naming one missing picture many times says so once.
    const bool repeated =
        std::any_of(out.begin(), out.end(), [&](const Finding &o) {
          return o.file == f.file && o.span.begin == f.span.begin &&
                 o.span.end == f.span.end && o.message == f.message;
        });
    if (!repeated)
      out.push_back(std::move(f));
  }
  return out;
}

} // namespace parvel::lsp
