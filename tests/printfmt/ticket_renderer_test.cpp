#include "printfmt/ticket_renderer.h"

#include <gtest/gtest.h>

#include <string>

#include "printfmt/ticket_preview.h"
#include "support/test_names.h"

namespace tamarack {
namespace {

// Distinct values, so that a tag printing the wrong one shows.
TicketValues Values() {
  TicketValues v;
  v.gross = "25.0 kg";
  v.tare = "5.0 kg";
  v.net = "20.0 kg";
  v.peak = "31.5 kg";
  v.consecutive = "000123";
  v.countItem = "05";
  v.quantity = "100";
  v.date = "240307";
  v.time = "091502";
  return v;
}

struct RenderCase {
  const char* what;
  std::string format;
  std::string ticket;
};

class RenderTicketTest : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RenderTicketTest, PrintsWhatTheIndicatorWould) {
  EXPECT_EQ(RenderTicket(GetParam().format, Values()), GetParam().ticket);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RenderTicketTest,
    ::testing::Values(
        RenderCase{"empty format", "", ""}, RenderCase{"end tag only", "<E>", ""},
        RenderCase{"every value tag", "<G>|<T>|<N>|<P>|<CN>|<CD>|<CO>|<D>|<I><E>",
                   "25.0 kg|5.0 kg|20.0 kg|31.5 kg|000123|05|100|07-03-24|09:15:02"},
        RenderCase{"lines and blanks", "A<NL>B<NL3>C<SP12>D<SP>E<NL0>F",
                   "A\nB\n\n\nC            D E"
                   "F"},
        RenderCase{"two-digit count with a leading zero", "<SP03>x", "   x"},
        RenderCase{"text after the end tag is not printed", "Total <N><E>junk<G>", "Total 20.0 kg"},
        RenderCase{"unknown tags as they stand", "<X><NLA><SPx1><g><ABCD>",
                   "<X><NLA><SPx1><g><ABCD>"},
        RenderCase{"a body of five characters is no tag", "<ABCDE><G>", "<ABCDE>25.0 kg"},
        RenderCase{"empty brackets", "<><G>", "<>25.0 kg"},
        RenderCase{"cut tag at the end", "Net <N><NL", "Net 20.0 kg<NL"},
        RenderCase{"a second opening starts the tag", "<<G>", "<25.0 kg"},
        RenderCase{"no end tag prints to the end", "<G><NL>", "25.0 kg\n"},
        RenderCase{"a lone closing bracket", "a>b<E>", "a>b"}),
    test::ByWhat{});

TEST(SampleTicketValuesTest, PreviewValuesAndTheLocalClock) {
  std::tm t{};
  t.tm_year = 124;  // 2024
  t.tm_mon = 2;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 15;
  t.tm_sec = 2;
  t.tm_isdst = -1;
  const TicketValues v = SampleTicketValues(std::mktime(&t));
  EXPECT_EQ(RenderTicket("<G>|<T>|<N>|<P>|<CN>|<CD>|<CO>|<D>|<I>", v),
            "25.0 kg|5.0 kg|20.0 kg|25.0 kg|000123|05|100|07-03-24|09:15:02");
}

struct PreviewCase {
  const char* what;
  int dataBits;
  std::size_t lineLength;  // line 3 holds this many "x"
  std::string sizeText;
  bool fits;
};

class PreviewTicketTest : public ::testing::TestWithParam<PreviewCase> {};

// The bytes line counts the text that "Send" sends (the end tag added) against the limit of the
// line's data bits.
TEST_P(PreviewTicketTest, CountsWhatSendWouldSend) {
  const PreviewCase& c = GetParam();
  FormatLines lines;
  lines[2] = std::string(c.lineLength, 'x');
  const TicketPreview preview = PreviewTicket(lines, c.dataBits, Values());
  EXPECT_EQ(preview.sizeText, c.sizeText);
  EXPECT_EQ(preview.fits, c.fits);
  EXPECT_EQ(preview.ticket, std::string(std::min<std::size_t>(c.lineLength, 251), 'x'));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PreviewTicketTest,
    ::testing::Values(PreviewCase{"eight bits at the limit", 8, 246, "249 of 249 bytes", true},
                      PreviewCase{"eight bits one over", 8, 247, "250 of 249 bytes", false},
                      PreviewCase{"seven bits at the limit", 7, 123, "126 of 126 bytes", true},
                      PreviewCase{"seven bits one over", 7, 124, "127 of 126 bytes", false},
                      PreviewCase{"the count byte bounds any other", 6, 300, "254 of 254 bytes",
                                  true}),
    test::ByWhat{});

TEST(PreviewTicketTest, FirstLinesTooLongToJoin) {
  FormatLines lines;
  lines[0] = std::string(300, 'x');
  const TicketPreview preview = PreviewTicket(lines, 8, Values());
  EXPECT_EQ(preview.sizeText, "Too long: more than 249 bytes");
  EXPECT_FALSE(preview.fits);
  EXPECT_TRUE(preview.ticket.empty());
}

}  // namespace
}  // namespace tamarack
