// The fleet's inventory: which rows run, which are refused with their line, and which clash.

#include "cli/inventory.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "cli/port_commands.h"

namespace tamarack::cli {
namespace {

LineSettings Defaults() {
  return {4800, 7, 2, Parity::kEven};
}

TEST(InventoryTest, RowsTakeTheirFieldsAndTheDefaultsForEmptyOnes) {
  const Inventory inv = ParseInventory(
      "port,baud,data,stop,parity,file\n"
      "# the bench\n"
      "\n"
      "/dev/ttyUSB0\n"
      " COM3 , 9600 , 8 , 1 , NOPARITY , unit3.stx \r\n"
      "sim,,,,odd,\n",
      Defaults());
  ASSERT_TRUE(inv.errors.empty());
  ASSERT_EQ(inv.rows.size(), 3u);
  const InventoryRow& a = inv.rows[0];
  EXPECT_EQ(a.line, 4);
  EXPECT_EQ(a.port.port, "/dev/ttyUSB0");
  EXPECT_EQ(a.port.settings.baud, 4800);
  EXPECT_EQ(a.port.settings.dataBits, 7);
  EXPECT_EQ(a.port.settings.stopBits, 2);
  EXPECT_EQ(a.port.settings.parity, Parity::kEven);
  EXPECT_EQ(a.file, "");
  const InventoryRow& b = inv.rows[1];
  EXPECT_EQ(b.port.port, "COM3");
  EXPECT_EQ(b.port.settings.baud, 9600);
  EXPECT_EQ(b.port.settings.dataBits, 8);
  EXPECT_EQ(b.port.settings.stopBits, 1);
  EXPECT_EQ(b.port.settings.parity, Parity::kNone);
  EXPECT_EQ(b.file, "unit3.stx");
  EXPECT_EQ(inv.rows[2].port.settings.parity, Parity::kOdd);
}

TEST(InventoryTest, MalformedRowsAreNamedByLineAndLeftOut) {
  struct Case {
    const char* name;
    const char* row;
    const char* reason;  // a part of the reason
  };
  const Case cases[] = {
      {"baud", "COM1,1200", "baud must be 2400, 4800 or 9600"},
      {"data_bits", "COM1,9600,6", "data bits must be 7 or 8"},
      {"stop_bits", "COM1,9600,8,3", "stop bits must be 1 or 2"},
      {"parity", "COM1,9600,8,1,MARK", "parity must be"},
      {"no_port", ",9600", "no port"},
      {"too_many_fields", "COM1,9600,8,1,NOPARITY,a.stx,extra", "more than 6 fields"},
      {"quote", "\"COM1\",9600", "quotes"},
      {"url_without_port", "rfc2217://scale7:,9600", "The port number is missing"},
      {"url_port_too_big", "socket://scale7:99999", "from 1 to 65535"},
      {"url_without_host", "rfc2217://:4001", "The host name is missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Inventory inv = ParseInventory(std::string("COM2\n") + c.row + "\nCOM4\n", {});
    ASSERT_EQ(inv.errors.size(), 1u);
    EXPECT_EQ(inv.errors[0].line, 2);
    EXPECT_NE(inv.errors[0].reason.find(c.reason), std::string::npos) << inv.errors[0].reason;
    ASSERT_EQ(inv.rows.size(), 2u);
    EXPECT_EQ(inv.rows[1].line, 3);
  }
}

TEST(InventoryTest, AHeaderThatNamesTheScaleGivesEachRowOne) {
  const Inventory inv = ParseInventory(
      "port,baud,data,stop,parity,file,scale\nCOM1,,,,,,Mühle 3/Hopper\nCOM2\nCOM3,,,,,,Dock\n"
      "COM4,,,,,a.stx,A/B,extra\n",
      {});
  ASSERT_EQ(inv.rows.size(), 2u);
  EXPECT_EQ(inv.rows[0].scale, "Mühle 3/Hopper");
  EXPECT_EQ(inv.rows[1].scale, "");
  ASSERT_EQ(inv.errors.size(), 2u);
  EXPECT_EQ(inv.errors[0].line, 4);
  EXPECT_EQ(inv.errors[0].reason, "a scale is named SITE/TAG, not \"Dock\"");
  EXPECT_NE(inv.errors[1].reason.find("more than 7 fields"), std::string::npos);
  // Without that header a seventh field is what it always was.
  const Inventory old = ParseInventory("port,baud,data,stop,parity,file\nCOM1,,,,,,A/B\n", {});
  ASSERT_EQ(old.errors.size(), 1u);
  EXPECT_NE(old.errors[0].reason.find("more than 6 fields"), std::string::npos);
}

TEST(InventoryTest, OneDeviceNamedTwiceClashesButSimulatorsDoNot) {
  const Inventory inv =
      ParseInventory("COM3\n/dev/ttyUSB0\nsim\n/dev/ttyS2\nsim\n/dev/ttyUSB0\nCOM4\n", {});
  ASSERT_TRUE(inv.errors.empty());
  EXPECT_EQ(DuplicatePorts(inv.rows, "sim"),
            (std::vector<std::string>{"lines 1 and 4 both name /dev/ttyS2",
                                      "lines 2 and 6 both name /dev/ttyUSB0"}));
}

// A device server is one device whichever protocol names it, its host written in any case; its
// other ports are other devices.
TEST(InventoryTest, ADeviceServerNamedTwiceClashes) {
  const Inventory inv = ParseInventory(
      "rfc2217://Scale7.local:4001,4800\n"
      "socket://scale7.local:4002\n"
      "socket://scale7.LOCAL:4001\n"
      "rfc2217://[::1]:4001\n"
      "RFC2217://Host:1\n"
      "rfc2217://host:1\n"
      "Socket://[::1]:4001\n",
      {});
  ASSERT_TRUE(inv.errors.empty());
  ASSERT_EQ(inv.rows.size(), 7u);
  EXPECT_EQ(inv.rows[0].port.port, "rfc2217://Scale7.local:4001");
  EXPECT_EQ(inv.rows[0].port.settings.baud, 4800);
  EXPECT_EQ(DuplicatePorts(inv.rows, "sim"),
            (std::vector<std::string>{"lines 1 and 3 both name socket://scale7.LOCAL:4001",
                                      "lines 5 and 6 both name rfc2217://host:1",
                                      "lines 4 and 7 both name Socket://[::1]:4001"}));
}

// ports --json tells each port as the system knows it, and its "port" fields make an inventory.
TEST(InventoryTest, PortsJsonNamesEachPortAndWritesAnInventory) {
  const std::vector<SerialDevice> devices = {
      {"/dev/ttyUSB0", "ttyUSB0", "FT232R USB UART", "FTDI", "A10K3X9Q", 0x0403, 0x6001},
      {"/dev/ttyS0", "ttyS0", "", "", "", 0, 0},
  };
  const QJsonObject document =
      QJsonDocument::fromJson(QByteArray::fromStdString(JsonText(PortsDocument(devices)))).object();
  EXPECT_EQ(document["command"].toString(), "ports");
  const QJsonArray ports = document["ports"].toArray();
  ASSERT_EQ(ports.size(), 2);
  const struct {
    const char* key;
    QJsonValue usb, builtIn;
  } fields[] = {
      {"port", "/dev/ttyUSB0", "/dev/ttyS0"}, {"device", "/dev/ttyUSB0", "/dev/ttyS0"},
      {"name", "ttyUSB0", "ttyS0"},           {"description", "FT232R USB UART", ""},
      {"manufacturer", "FTDI", ""},           {"serialNumber", "A10K3X9Q", ""},
      {"vendorId", "0403", QJsonValue::Null}, {"productId", "6001", QJsonValue::Null},
  };
  for (const auto& field : fields) {
    SCOPED_TRACE(field.key);
    EXPECT_EQ(ports[0][field.key], field.usb);
    EXPECT_EQ(ports[1][field.key], field.builtIn);
  }
  std::string inventory = "port,baud,data,stop,parity,file\n";
  for (const QJsonValue& port : ports) inventory += port["port"].toString().toStdString() + "\n";
  const Inventory parsed = ParseInventory(inventory, {});
  EXPECT_TRUE(parsed.errors.empty());
  EXPECT_EQ(parsed.rows.size(), 2u);
  EXPECT_TRUE(DuplicatePorts(parsed.rows, "sim").empty());
}

}  // namespace
}  // namespace tamarack::cli
