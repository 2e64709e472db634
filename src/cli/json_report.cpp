#include "cli/json_report.h"

#include <algorithm>
#include <random>

#include "cli/cli_output.h"
#include "core/text.h"
#include "dissect/content_scanner.h"
#include "dissect/page_redirects.h"
#include "net/declared_charset.h"
#include "net/response_text.h"
#include "net/status_text.h"

namespace kestrum::cli {
namespace {

using json = nlohmann::ordered_json;

json TextOrNull(const std::string& text) {
  return text.empty() ? json(nullptr) : json(AnsiToUtf8(text));
}

json ErrorJson(int32_t code) {
  if (code == 0) return nullptr;
  return {{"code", code}, {"text", AnsiToUtf8(GetStatusText(code))}};
}

json CertificateJson(const FetchFacts& facts) {
  const CertificateFacts& c = facts.certificate;
  if (!c.checked && c.error == 0) return nullptr;
  return {{"verified", c.verified},
          {"error", ErrorJson(c.error)},
          {"reason", c.verified ? json(nullptr) : TextOrNull(c.reason)},
          {"subject", c.subject},
          {"issuer", c.issuer},
          {"validFrom", c.valid_from},
          {"validUntil", c.valid_until},
          {"names", c.names}};
}

json FetchJson(const DissectRun& run) {
  const FetchFacts& f = run.facts;
  json hops = json::array();
  for (const auto& hop : f.redirects)
    hops.push_back(
        {{"status", hop.status}, {"location", AnsiToUtf8(hop.location)}, {"headers", AnsiToUtf8(hop.header_block)}});
  const bool arrived = PageArrived(run);
  return {{"requestedAddress", AnsiToUtf8(f.recorded ? f.requested_url : run.address)},
          {"finalAddress", TextOrNull(f.final_url)},
          {"redirects", hops},
          {"httpStatus", arrived ? json(f.http_status) : json(nullptr)},
          {"httpStatusText",
           arrived ? json(AnsiToUtf8(GetStatusText(static_cast<int32_t>(f.http_status)))) : json(nullptr)},
          {"headers", AnsiToUtf8(f.final_header_block)},
          {"primaryIp", TextOrNull(f.primary_ip)},
          {"primaryPort", f.primary_port != 0 ? json(f.primary_port) : json(nullptr)},
          {"method", TextOrNull(f.method)},
          {"seconds", f.seconds},
          {"error", arrived        ? json(nullptr)
                    : f.error != 0 ? ErrorJson(f.error)
                                   : json{{"code", nullptr}, {"text", FailureText(run)}}},
          {"certificate", CertificateJson(f)}};
}

json BodyJson(const FetchFacts& f) {
  if (!f.recorded || f.error != 0) return nullptr;
  const DeclaredCharsets declared = FindDeclaredCharsets(f.body_head, f.content_type);
  const std::string used = f.method == "xmlhttp" ? ResponseCharsetName(f.body_head, f.content_type) : "windows-1252";
  return {{"bytes", f.body_bytes},
          {"contentType", TextOrNull(f.content_type)},
          {"sha256", f.sha256},
          {"sha1", f.sha1},
          {"md5", f.md5},
          {"charset",
           {{"header", TextOrNull(declared.header)},
            {"bom", TextOrNull(declared.bom)},
            {"meta", TextOrNull(declared.meta)},
            {"used", used}}}};
}

// "Listed [ Class: ATS ]" -> verdict and class.
json VerdictJson(const DissectRun& run, std::string_view service, std::string_view source) {
  const std::string line = HeaderBlockValue(source, std::string(service) + " Status: ");
  std::string verdict(TrimBlank(Before(line, "[")));
  json category = nullptr;
  if (Contains(line, "[ Class: ")) category = AnsiToUtf8(TrimBlank(Before(After(line, "[ Class: "), " ]")));
  json answer = nullptr;
  for (const auto& [name, text] : run.lookup_answers)
    if (name == service) answer = AnsiToUtf8(text);
  if (verdict.empty()) verdict = "Not Checked";
  return {{"service", service}, {"verdict", AnsiToUtf8(verdict)}, {"class", category}, {"answer", answer}};
}

int CountAfter(std::string_view source, std::string_view label) {
  const std::string value = HeaderBlockValue(source, label);
  return value.empty() ? 0 : std::atoi(value.c_str());
}

std::string MarkKind(const TextFormatRun& run, std::string_view text) {
  if (run.color == kBlue) return "link";
  if (run.color != kRed) return "other";
  const std::string lower = ToLowerAscii(text.substr(run.start, run.length));
  if (run.bold) {
    if (StartsWith(lower, "<iframe")) return "iframe";
    if (Contains(lower, "http-equiv")) return "meta refresh";
    // Overlapping marks join: "window.location.href" is one run, named by the method it starts with.
    for (const char* method : {"location.href", "document.location", "window.location"})
      if (StartsWith(lower, method)) return method;
  }
  return "executable link";
}


}  // namespace

std::string HeaderBlockValue(std::string_view source, std::string_view label) {
  // The header block comes first, so the first occurrence is the program's own line.
  const size_t at = source.find(label);
  if (at == std::string_view::npos) return {};
  return std::string(Before(source.substr(at + label.size()), "\r\n"));
}

bool PageArrived(const DissectRun& run) {
  return run.outcome == QueryOutcome::Shown || run.outcome == QueryOutcome::AnsweredEmpty;
}

std::string FailureText(const DissectRun& run) {
  if (PageArrived(run)) return {};
  // The first notice says why, in the words the window would show.
  for (const auto& m : run.desktop.messages) {
    if (m.buttons != MessageButtons::Ok) continue;
    return EscapeControls(AnsiToUtf8(ReplaceAll(ReplaceAll(ReplaceAll(m.text, kCrLf, " "), "\n", " "), "  ", " ")));
  }
  if (run.facts.recorded && run.facts.error != 0)
    return AnsiToUtf8(GetStatusText(run.facts.error)) + " (" + std::to_string(run.facts.error) + ")";
  return "nothing was fetched";
}

namespace {

constexpr auto kReplace = nlohmann::json::error_handler_t::replace;

// The members that grow with the page (its text, marks and lists) are written apart from the
// rest, element by element, so the report never holds them as a tree. Their places in the rest
// are marked by texts no page can know in advance.
std::string Placeholder(std::string_view member) {
  static const std::string token = [] {
    std::random_device random;
    return std::to_string(random()) + std::to_string(random());
  }();
  return "\x01" + std::string(member) + "\x01" + token;
}

// Writes the array the way the whole tree's dump writes it as a member of the top-level object.
class ArrayWriter {
 public:
  ArrayWriter(int indent, const ReportWriter& write) : indent_(indent), write_(write) {}
  void add(const json& element) {
    if (indent_ < 0) {
      buffer_ += count_ == 0 ? "[" : ",";
      buffer_ += element.dump(-1, ' ', false, kReplace);
    } else {
      buffer_ += count_ == 0 ? "[\n    " : ",\n    ";
      buffer_ += ReplaceAll(element.dump(indent_, ' ', false, kReplace), "\n", "\n    ");
    }
    ++count_;
    if (buffer_.size() >= (size_t{1} << 20)) flush();
  }
  bool finish() {
    buffer_ += count_ == 0 ? "[]" : indent_ < 0 ? "]" : "\n  ]";
    flush();
    return ok_;
  }

 private:
  void flush() {
    ok_ = ok_ && write_(buffer_);
    buffer_.clear();
  }
  int indent_;
  const ReportWriter& write_;
  std::string buffer_;
  size_t count_ = 0;
  bool ok_ = true;
};

}  // namespace

bool WriteReport(DissectRun& run, int indent, const ReportWriter& write) {
  MemoryMainView& window = run.window;
  const std::string_view source = *window.sourcePane().textView();
  const std::vector<TextFormatRun> runs = window.source().formats();

  json in_page = json::array();
  for (const auto& r : FindPageRedirects(source))
    in_page.push_back(
        {{"method", r.method}, {"target", AnsiToUtf8(r.target)}, {"start", r.start}, {"length", r.target.size()}});

  const MemoryItemList& links = window.linkList();
  int executables = 0;
  for (size_t i = 0; i < links.count(); ++i) executables += NamesExecutable(links.view(i)) ? 1 : 0;

  json messages = json::array();
  for (const auto& m : run.desktop.messages)
    messages.push_back(
        {{"title", AnsiToUtf8(m.caption)}, {"icon", MessageIconName(m.icon)}, {"text", AnsiToUtf8(m.text)}});

  const json report = {
      {"schemaVersion", kReportSchemaVersion},
      {"address", AnsiToUtf8(window.addressText())},
      {"fetched", PageArrived(run)},
      {"fetch", FetchJson(run)},
      {"body", BodyJson(run.facts)},
      {"verdicts",
       {VerdictJson(run, "Braxel", source), VerdictJson(run, "MDL", source), VerdictJson(run, "PhishTank", source)}},
      {"counts",
       {{"scripts", CountAfter(source, "Scripts: ")},
        {"iframes", CountAfter(source, "iFrames: ")},
        {"executables", executables}}},
      {"marks", Placeholder("marks")},
      {"redirectsInPage", in_page},
      {"netBlock", run.net_block_asked ? json(AnsiToUtf8(window.netBlock().text())) : json(nullptr)},
      {"source", Placeholder("source")},
      {"formats", Placeholder("formats")},
      {"headers", AnsiToUtf8(window.headers().text())},
      {"links", Placeholder("links")},
      {"images", Placeholder("images")},
      {"savedPageFile", run.saved_page_file},
      {"messages", messages},
      {"addressColors",
       {{"background", ColorText(window.addressBackground())}, {"text", ColorText(window.addressForeground())}}},
  };
  const std::string frame = report.dump(indent, ' ', false, kReplace);

  auto write_member = [&](std::string_view member) {
    if (member == "source") return write(json(AnsiToUtf8(source)).dump(-1, ' ', false, kReplace));
    ArrayWriter array(indent, write);
    if (member == "marks" || member == "formats") {
      for (const auto& f : runs) {
        if (member == "marks") {
          array.add({{"start", f.start},
                     {"length", f.length},
                     {"kind", MarkKind(f, source)},
                     {"color", ColorText(f.color)},
                     {"bold", f.bold}});
        } else {
          array.add({{"start", f.start}, {"length", f.length}, {"color", ColorText(f.color)}, {"bold", f.bold}});
        }
      }
    } else {
      const MemoryItemList& list = member == "links" ? links : window.imageList();
      for (size_t i = 0; i < list.count(); ++i) array.add(AnsiToUtf8(list.view(i)));
    }
    return array.finish();
  };
  // The frame with each placeholder's quoted text replaced by its member.
  size_t written = 0;
  for (const char* member : {"marks", "source", "formats", "links", "images"}) {
    const std::string quoted = json(Placeholder(member)).dump();
    const size_t at = frame.find(quoted, written);
    if (at == std::string::npos) return false;
    if (!write(std::string_view(frame).substr(written, at - written)) || !write_member(member)) return false;
    written = at + quoted.size();
  }
  return write(std::string_view(frame).substr(written));
}

}  // namespace kestrum::cli
