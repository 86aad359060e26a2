#include "net/net_address.h"

#include <gtest/gtest.h>

namespace tamarack {
namespace {

struct AddressCase {
  const char* typed;
  const char* url;  // nullptr when refused
  const char* error;
};

class HostPort : public testing::TestWithParam<AddressCase> {};

TEST_P(HostPort, ReadsTheAddressOrSaysWhatIsWrong) {
  const AddressCase& c = GetParam();
  std::string error;
  const auto address = ParseHostPort(c.typed, NetScheme::kRfc2217, &error);
  if (c.url == nullptr) {
    EXPECT_FALSE(address) << c.typed;
    EXPECT_EQ(error, c.error) << c.typed;
    return;
  }
  ASSERT_TRUE(address) << c.typed << ": " << error;
  EXPECT_EQ(address->Url(), c.url);
  // The URL reads back as the same address.
  const auto again = ParseNetUrl(address->Url(), &error);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Url(), c.url);
}

constexpr const char* kNoPort = "The port number is missing: type the address as host:port.";
constexpr const char* kNoHost = "The host name is missing: type the address as host:port.";
constexpr const char* kRange = "The port number must be a number from 1 to 65535.";

INSTANTIATE_TEST_SUITE_P(
    Typed, HostPort,
    testing::Values(
        AddressCase{"192.168.1.20:4001", "rfc2217://192.168.1.20:4001", ""},
        AddressCase{" scale-7.plant.example:65535 ", "rfc2217://scale-7.plant.example:65535", ""},
        AddressCase{"[fe80::1]:1", "rfc2217://[fe80::1]:1", ""},
        AddressCase{"host:", nullptr, kNoPort}, AddressCase{"host", nullptr, kNoPort},
        AddressCase{":4001", nullptr, kNoHost}, AddressCase{"host:99999", nullptr, kRange},
        AddressCase{"host:0", nullptr, kRange}, AddressCase{"host:40a1", nullptr, kRange},
        AddressCase{"host:123456789012345678901", nullptr, kRange},
        AddressCase{"my host:4001", nullptr,
                    "The host name may hold only letters, digits, '-', '.' and '_' (an "
                    "IPv6 address goes in brackets)."},
        AddressCase{"[fe80::1:4001", nullptr,
                    "The IPv6 address lacks its closing bracket: type it as "
                    "[address]:port."},
        AddressCase{"", nullptr,
                    "Type the address of the device server as host:port, e.g. "
                    "192.168.1.20:4001."}));

TEST(NetUrl, TellsNetworkNamesFromDevices) {
  EXPECT_TRUE(IsNetworkName("socket://a:1"));
  EXPECT_TRUE(IsNetworkName("rfc2217://a:1"));
  EXPECT_FALSE(IsNetworkName("/dev/ttyUSB0"));
  EXPECT_FALSE(IsNetworkName("COM1"));
  std::string error;
  EXPECT_EQ(ParseNetUrl("socket://a:1", &error)->scheme, NetScheme::kRaw);
  // Schemes ignore case, as in every URL.
  EXPECT_TRUE(IsNetworkName("RFC2217://Host:1"));
  EXPECT_EQ(ParseNetUrl("RFC2217://Host:1", &error)->scheme, NetScheme::kRfc2217);
  EXPECT_EQ(ParseNetUrl("Socket://a:1", &error)->Url(), "socket://a:1");
  EXPECT_FALSE(ParseNetUrl("telnet://a:1", &error));
}

}  // namespace
}  // namespace tamarack
