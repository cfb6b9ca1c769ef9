#include "CataloguePages.h"

#include "Host.h"
#include "TextCodec.h"
#include "Vb.h"

namespace parvel::catalogue {

namespace {

constexpr std::string_view kEntry = "<TD><B><A HREF=\"/tshow/pages/";
constexpr std::string_view kNEntry = "width=125><BR><B>";
constexpr std::string_view kNDescription = "<DIV align=center><FONT size=-1>";
constexpr std::string_view kNAuthor = "<FONT color=";
// The author starts this far into "<FONT color=": the pattern and a quoted
// six-letter colour with its ">".
constexpr long kNAuthorOffset = 19;
constexpr std::string_view kVisitQuestion = "Would you like to visit the download page?";

constexpr long len(std::string_view s) { return static_cast<long>(s.size()); }

// 1-based search; a start before the text (reachable only from an earlier
// miss) counts as a miss too.
long find(std::string_view page, long start, std::string_view what) {
    return vb::InStr(start, page, what).value_or(0);
}

// Text from `start` of `length` bytes; a negative length (a delimiter that
// was missing) gives nothing.
std::string cut(std::string_view page, long start, long length) {
    return vb::Mid(page, start, length).value_or(std::string());
}

// A catalogue entry: the name is between the ">" after the pattern and the
// next "<".
struct CatalogueName {
    std::string name;
    long close = 0;  // the "<" ending the name
};
CatalogueName catalogueNameAt(std::string_view page, long afterPattern) {
    const long open = find(page, afterPattern, ">");
    const long close = find(page, open + 1, "<");
    return {cut(page, open + 1, close - open - 1), close};
}

// An enhanced-page piece: from `start` to two characters before the next
// "<" (the page puts a space there).
std::string enhancedPieceAt(std::string_view page, long start) {
    const long close = find(page, start, "<");
    return cut(page, start, close - start - 1);
}

bool listed(std::string_view name) { return name.empty() || name.front() != '$'; }

QUrl webUrl(std::string_view host, std::string_view path) {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setAuthority(QString::fromStdString(cp1252ToUtf8(host)));
    url.setPath(QString::fromStdString(cp1252ToUtf8(path)), QUrl::DecodedMode);
    return url;
}

}  // namespace

std::string missingHostText(std::string_view key) {
    return "Set " + std::string(key) + " in section [Parvel] of Parvel.ini";
}

std::string buildRequest(std::string_view path) {
    return "GET " + std::string(path) + " HTTP/1.0\r\n" + "Accept: */*\r\n" +
           "Accept: text/html\r\n" + "\r\n";
}

std::string progressTitle(int step, std::size_t pageLength) {
    static constexpr std::string_view kSteps[] = {"Downloading    ", "Downloading.   ",
                                                  "Downloading..  ", "Downloading... "};
    const int i = step >= 1 && step <= 4 ? step - 1 : 0;
    return std::string(kSteps[i]) + std::to_string(pageLength) + " bytes";
}

std::string gamesFoundTitle(int count) { return "Games found: " + std::to_string(count); }

std::vector<std::string> TrimGamesNames(std::string_view page) {
    std::vector<std::string> names;
    for (long p = find(page, 1, kEntry); p > 0; p = find(page, p + len(kEntry) + 1, kEntry)) {
        auto n = catalogueNameAt(page, p + len(kEntry));
        if (listed(n.name)) names.push_back(std::move(n.name));
    }
    return names;
}

std::vector<std::string> TrimNGamesNames(std::string_view page) {
    std::vector<std::string> names;
    for (long p = find(page, 1, kNEntry); p > 0;) {
        const long start = p + len(kNEntry);
        auto name = enhancedPieceAt(page, start);
        if (listed(name)) names.push_back(std::move(name));
        p = find(page, start + 2, kNEntry);
    }
    return names;
}

std::vector<Offer> catalogueOffers(std::string_view page, std::string_view selected) {
    std::vector<Offer> offers;
    for (long p = find(page, 1, kEntry); p > 0; p = find(page, p + len(kEntry) + 1, kEntry)) {
        const long after = p + len(kEntry);
        const auto n = catalogueNameAt(page, after);
        if (!listed(n.name) || n.name != selected) continue;
        Offer o;
        o.title = std::string(kProgramTitle);
        o.pageName = cut(page, after, find(page, after, ".html") - after);
        const long authorOpen = find(page, n.close, ">");
        const long authorClose = find(page, authorOpen + 1, "<");
        const std::string author = cut(page, authorOpen + 1, authorClose - authorOpen - 1);
        const long tagOpen = find(page, authorOpen, "<");
        const long descOpen = find(page, tagOpen, ">");
        const long descClose = find(page, descOpen + 1, "<");
        const std::string description = cut(page, descOpen + 1, descClose - descOpen - 1);
        o.text = std::string(selected) + " written " + author + "\r" + description + "\r" +
                 std::string(kVisitQuestion);
        offers.push_back(std::move(o));
    }
    return offers;
}

std::optional<Offer> enhancedOffer(std::string_view page, std::string_view selected) {
    for (long p = find(page, 1, kNEntry); p > 0;) {
        const long start = p + len(kNEntry);
        const std::string name = enhancedPieceAt(page, start);
        if (listed(name) && name == selected) {
            const long descStart = find(page, start, kNDescription) + len(kNDescription);
            const std::string description = enhancedPieceAt(page, descStart);
            const long authorStart = find(page, descStart, kNAuthor) + kNAuthorOffset;
            const std::string author = enhancedPieceAt(page, authorStart);
            Offer o;
            o.title = std::string(kEnhancedOfferTitle);
            o.text = std::string(selected) + " written by: " + author + "\r" + description +
                     "\r" + std::string(kVisitQuestion);
            return o;
        }
        p = find(page, start + 2, kNEntry);
    }
    return std::nullopt;
}

QUrl catalogueGameUrl(std::string_view webHost, std::string_view pageName) {
    return webUrl(webHost, "/tshow/pages/" + std::string(pageName) + ".html");
}

QUrl enhancedPageUrl(std::string_view host) { return webUrl(host, kEnhancedPage.path); }

}  // namespace parvel::catalogue
