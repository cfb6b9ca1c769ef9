#pragma once
// Pages in the two layouts the checker scrapes, written for these tests.

#include <string>

// A catalogue page: an HTTP answer whose table rows link to game pages.
inline std::string catalogueRow(const std::string& page, const std::string& name,
                                const std::string& author, const std::string& description) {
    return "<TR><TD><B><A HREF=\"/tshow/pages/" + page + ".html\">" + name + "</A>" + author +
           "<BR>" + description + "</TD></TR>\r\n";
}

inline std::string catalogueHead() {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
           "<HTML><BODY><TABLE>\r\n";
}

inline std::string cataloguePage() {
    return catalogueHead() +
           catalogueRow("castle", "Castle Quest", "by Jo Smith", "A dark castle.") +
           catalogueRow("secret", "$Hidden Test", "by Nobody", "Not for listing.") +
           catalogueRow("frog", "Frog &amp; Toad", "by Ann", "Swamp fun.") +
           catalogueRow("castle2", "Castle Quest", "by Jo Smith", "The remake.") +
           catalogueRow("moon", "Moon", "by Bo", "Up there.") + "</TABLE></BODY></HTML>\r\n";
}

// The enhanced-games page: a cell per game with its description and author.
inline std::string enhancedEntry(const std::string& nameAndEnd, const std::string& description,
                                 const std::string& author) {
    return "<TD width=125><BR><B>" + nameAndEnd + "/B><DIV align=center><FONT size=-1>" +
           description + " </FONT><BR><FONT color=\"blue\">" + author + " </FONT></DIV></TD>\r\n";
}

inline std::string enhancedPage() {
    return "HTTP/1.0 200 OK\r\n\r\n<HTML><TABLE><TR>\r\n" +
           enhancedEntry("Star Quest <", "Space adventure", "Ann Lee") +
           enhancedEntry("$Beta <", "Unreleased", "Tester") +
           enhancedEntry("Tight<", "No space before the tag", "Cy") +
           enhancedEntry("Deep Sea <", "Under water", "Di Ng") + "</TR></TABLE></HTML>\r\n";
}
