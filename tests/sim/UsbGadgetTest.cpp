// The printer on a USB printer function's node, and the gadget that makes the function.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/DeviceId.h"
#include "platform/VirtualClock.h"
#include "sim/ports/DeviceServer.h"
#include "sim/ports/PrinterGadget.h"
#include "tests/sim/SimTestSupport.h"

namespace {

namespace fs = std::filesystem;

// A packet socket keeps each write apart as one message, as the function keeps transfers: the
// host's end of it stands for the host.
struct HostLink {
  HostLink() {
    int ends[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends), 0);
    Host = ends[0];
    Server.Adopt(ends[1], "the function's node");
  }
  ~HostLink() {
    if (Host >= 0) close(Host);
  }
  void Write(const Bytes& block) const {
    ASSERT_EQ(write(Host, block.data(), block.size()), static_cast<ssize_t>(block.size()));
  }
  void Serve() {
    std::string reason;
    ASSERT_TRUE(Server.ServeOnce(0, reason)) << reason;
  }
  // One message, as one read of a USB printer takes one transfer; empty when none waits.
  Bytes ReadOne() const {
    uint8_t buffer[1024];
    const ssize_t count = read(Host, buffer, sizeof buffer);
    return count > 0 ? Bytes(buffer, buffer + count) : Bytes();
  }

  VirtualClock Clock;
  VirtualPrinter Printer{Clock, ""};
  DeviceServer Server{Printer, Clock};
  int Host = -1;
};

// Each block the host writes is taken whole, and each answer goes back as one transfer, in order.
TEST(DeviceServer, AnswersEachTransferWithOneWrite) {
  HostLink link;
  link.Write(ModeSwitchBlock());
  link.Write(InitBlock());
  link.Serve();
  link.Serve();
  ASSERT_EQ(link.Printer.Capture().size(), 4u);
  EXPECT_EQ(link.Printer.Capture()[0].Bytes, ModeSwitchBlock());
  EXPECT_EQ(link.Printer.Capture()[2].Bytes, InitBlock());
  EXPECT_EQ(link.ReadOne(), link.Printer.Capture()[1].Bytes);
  EXPECT_EQ(link.ReadOne(), link.Printer.Capture()[3].Bytes);
  EXPECT_TRUE(link.ReadOne().empty());
  EXPECT_TRUE(link.Printer.ProtocolViolations().empty());
  EXPECT_TRUE(link.Server.HostConnected());
}

// A host that goes is no failure of the service: what was meant for it is dropped, and the
// server waits for the next one instead of ending.
TEST(DeviceServer, AHostThatGoesLeavesTheServerWaiting) {
  HostLink link;
  link.Write(ModeSwitchBlock());
  close(link.Host);
  link.Host = -1;
  for (int round = 0; round < 3; ++round) link.Serve();
  EXPECT_FALSE(link.Server.HostConnected());
  EXPECT_EQ(link.Server.QueuedAnswerBytes(), 0u);
}

// A node that is not there at the start is a mistake in the path, not a host that has not come yet.
TEST(DeviceServer, ANodeThatIsNotThereAtTheStartIsRefused) {
  VirtualClock clock;
  VirtualPrinter printer(clock, "");
  DeviceServer server(printer, clock);
  std::string reason;
  EXPECT_FALSE(server.Open("/nonexistent/g_printer0", reason));
  EXPECT_EQ(reason, "opening /nonexistent/g_printer0: No such file or directory");
  EXPECT_EQ(server.Descriptor(), -1);
}

class GadgetFolders : public testing::Test {
protected:
  GadgetFolders() {
    Paths.Gadgets = Make("usb_gadget");
    Paths.Controllers = Make("udc");
    Paths.PrinterNodes = Make("usb_printer_gadget");
    Paths.Devices = "/dev";
    Make("udc/dummy_udc.0");
    Make("usb_printer_gadget/g_printer0");
  }
  ~GadgetFolders() override { fs::remove_all(Top); }
  std::string Make(const std::string& relative) {
    fs::create_directories(Top / relative);
    return (Top / relative).string();
  }
  std::string Attribute(const std::string& relative) const {
    std::ifstream file(fs::path(Paths.Gadgets) / GadgetFolder("dummy_udc.0") / relative);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  fs::path Top = fs::temp_directory_path() / ("gadget-test-" + std::to_string(getpid()));
  GadgetPaths Paths;
  const GadgetIdentity Identity{.Manufacturer = "VELOR",
                                .Product = "Arvana Print 360",
                                .Serial = "ABC123456719C3D110",
                                .DeviceId = "MFG:VELOR;CMD:1284.4,REMOTE;MDL:Print 360;CLS:PRINTER;DES:Arvana Print 360;"};
};

// The gadget names the printer as a real one does, binds to the first controller, serves the
// function's node, and leaves nothing behind; a second one on the same system is refused.
TEST_F(GadgetFolders, MakesBindsAndRemovesTheGadget) {
  {
    Outcome<std::unique_ptr<PrinterGadget>> gadget = PrinterGadget::Create(Identity, "", Paths);
    ASSERT_TRUE(gadget) << gadget.Fault().Message;
    EXPECT_EQ((*gadget)->Controller(), "dummy_udc.0");
    EXPECT_EQ((*gadget)->DeviceNode(), "/dev/g_printer0");
    EXPECT_EQ(Attribute("UDC"), "dummy_udc.0");
    EXPECT_EQ(Attribute("idVendor"), "0x1209");
    EXPECT_EQ(Attribute("strings/0x409/serialnumber"), Identity.Serial);
    EXPECT_EQ(Attribute("strings/0x409/product"), "Arvana Print 360");
    EXPECT_TRUE(fs::is_symlink(fs::path(Paths.Gadgets) / GadgetFolder("dummy_udc.0") / "configs/c.1/printer.0"));

    // The function announces strlen and sends that many bytes, two of them the length itself:
    // what a host reading it as IEEE 1284 says keeps is the whole ID.
    const std::string given = Attribute("functions/printer.0/pnp_string");
    const std::string hostReads = given.substr(0, given.size() - 2);
    EXPECT_EQ(ParseDeviceId(hostReads).Description, "Arvana Print 360");
    EXPECT_EQ(ModelNamed(ParseDeviceId(hostReads)), PrinterModel::Print360);
    EXPECT_EQ(hostReads, Identity.DeviceId);

    Outcome<std::unique_ptr<PrinterGadget>> second = PrinterGadget::Create(Identity, "", Paths);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.Fault().Kind, FailureKind::InUse);
    EXPECT_TRUE(fs::exists(fs::path(Paths.Gadgets) / GadgetFolder("dummy_udc.0") / "idVendor"));  // the first is left alone
  }
  EXPECT_FALSE(fs::exists(fs::path(Paths.Gadgets) / GadgetFolder("dummy_udc.0")));
}

// Without a controller nothing is bound and what was made is removed again.
TEST_F(GadgetFolders, WithoutAControllerNothingIsLeft) {
  fs::remove_all(fs::path(Paths.Controllers) / "dummy_udc.0");
  Outcome<std::unique_ptr<PrinterGadget>> gadget = PrinterGadget::Create(Identity, "", Paths);
  ASSERT_FALSE(gadget);
  EXPECT_NE(gadget.Fault().Message.find("no USB device controller"), std::string::npos);
  EXPECT_FALSE(fs::exists(fs::path(Paths.Gadgets) / GadgetFolder("dummy_udc.0")));

  Paths.Gadgets = (Top / "no-configfs").string();
  gadget = PrinterGadget::Create(Identity, "dummy_udc.0", Paths);
  ASSERT_FALSE(gadget);
  EXPECT_NE(gadget.Fault().Message.find("libcomposite"), std::string::npos);
}

}  // namespace
