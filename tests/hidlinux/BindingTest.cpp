// Run-time binding of libudev with stand-in libraries built by the test suite, and the Linux
// backend on this machine's real hidraw class.

#include "hid/HidControllerClass.h"
#include "hid/ModuleLoader.h"
#include "hid/linux/LinuxHidPlatform.h"
#include "hid/linux/UdevBinding.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleLoaderTest, OpenFindClose) {
    TModuleHandle handle = nullptr;
    EXPECT_FALSE(OpenModule(handle, RX47_UDEV_MISSING));
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(FindSymbol(handle, "udev_new"), nullptr);

    ASSERT_TRUE(OpenModule(handle, RX47_UDEV_STANDIN));
    TModuleHandle same = handle;
    EXPECT_TRUE(OpenModule(handle, RX47_UDEV_MISSING)) << "an open handle is left as it is";
    EXPECT_EQ(handle, same);
    bool ok = true;
    EXPECT_NE(FindSymbolTracked(handle, "udev_new", ok), nullptr);
    EXPECT_TRUE(ok);
    EXPECT_EQ(FindSymbolTracked(handle, "udev_hwdb_new", ok), nullptr);
    EXPECT_FALSE(ok);
    EXPECT_NE(FindSymbolTracked(handle, "udev_unref", ok), nullptr);
    EXPECT_FALSE(ok) << "once false, it stays false";
    CloseModule(handle);
    EXPECT_EQ(handle, nullptr);
    CloseModule(handle);
}

TEST(UdevBindingTest, BindsAllEntriesAndCounts) {
    TUdevBinding binding(RX47_UDEV_STANDIN);
    ASSERT_TRUE(binding.Bind()) << "unused exports such as udev_hwdb_new are not needed";
    EXPECT_TRUE(binding.Bound());
    EXPECT_NE(binding.Api().udev_monitor_receive_device, nullptr);
    const auto entry = binding.Api().udev_new;
    EXPECT_TRUE(binding.Bind());
    EXPECT_EQ(binding.BindCount(), 2);
    EXPECT_EQ(binding.Api().udev_new, entry);
    binding.Unbind();
    EXPECT_TRUE(binding.Bound()) << "the first unbind leaves the binding in force";
    binding.Unbind();
    EXPECT_FALSE(binding.Bound());
    EXPECT_EQ(binding.Api().udev_new, nullptr);
}

TEST(UdevBindingTest, MissingLibraryOrNameBindsNothing) {
    for (const char* library : {RX47_UDEV_MISSING, RX47_UDEV_STANDIN_PARTIAL}) {
        SCOPED_TRACE(library);
        TUdevBinding binding(library);
        EXPECT_FALSE(binding.Bind());
        EXPECT_FALSE(binding.Bound());
        EXPECT_EQ(binding.Api().udev_new, nullptr);
        EXPECT_EQ(binding.Api().udev_enumerate_new, nullptr);
        EXPECT_EQ(binding.BindCount(), 1) << "counted until the matching unbind";
        EXPECT_FALSE(binding.Bind()) << "a count above 1 does not pretend the binding is in force";
        binding.Unbind();
        binding.Unbind();
        EXPECT_EQ(binding.BindCount(), 0);
    }
}

TEST(LinuxPlatformTest, WithoutLibudevTheTransportHasNoDevices) {
    for (const char* library : {RX47_UDEV_MISSING, RX47_UDEV_STANDIN_PARTIAL}) {
        SCOPED_TRACE(library);
        TLinuxHidPlatform platform(library);
        THidDeviceController controller(&platform);
        int changes = 0;
        controller.SetOnDeviceChange(
            THidNotifyEvent::WithCode(&changes, [&](THidDeviceController*) { ++changes; }));
        EXPECT_FALSE(platform.HidServicesBound());
        EXPECT_EQ(controller.HidClassGuid(), kFallbackHidClassGuid);
        EXPECT_TRUE(controller.Devices().empty());
        controller.DeviceChange();
        EXPECT_EQ(changes, 1);
    }
}

TEST(LinuxPlatformTest, StandInLibraryGivesAnEmptyClass) {
    TLinuxHidPlatform platform(RX47_UDEV_STANDIN);
    {
        THidDeviceController controller(&platform);
        EXPECT_TRUE(platform.HidServicesBound());
        EXPECT_TRUE(platform.Udev().Bound());
        EXPECT_TRUE(controller.Devices().empty());
        EXPECT_EQ(controller.EnumerateDevices(), 0);
    }
    EXPECT_FALSE(platform.HidServicesBound());
    EXPECT_FALSE(platform.Udev().Bound());
}

TEST(LinuxPlatformTest, EnumeratesThisMachinesHidrawClass) {
    TLinuxHidPlatform platform;
    ASSERT_TRUE(platform.BindSetupServices()) << "libudev.so.1 is part of the system";
    ASSERT_TRUE(platform.BindHidServices());
    std::vector<THidInterfaceEntry> entries;
    EXPECT_TRUE(platform.EnumerateInterfaces(platform.GetHidGuid(), entries));
    for (const THidInterfaceEntry& entry : entries) {
        if (entry.detail) {
            EXPECT_TRUE(entry.detail->InterfacePath.startsWith("/dev/"));
        }
    }
    {
        THidDeviceController controller(&platform);
        EXPECT_LE(controller.Devices().size(), entries.size());
        controller.DeviceChange();
    }
    platform.UnbindHidServices();
    platform.UnbindSetupServices();
    EXPECT_FALSE(platform.Udev().Bound());
}

TEST(LinuxPlatformTest, OpeningAMissingNodeFails) {
    TLinuxHidPlatform platform;
    ASSERT_TRUE(platform.BindSetupServices());
    for (const THidAccess access :
         {THidAccess::ReadWrite, THidAccess::QueryOnly, THidAccess::OverlappedRead}) {
        EXPECT_EQ(platform.Open("/dev/hidraw-none", access), kInvalidHidHandle);
        EXPECT_NE(platform.LastError(), 0u);
    }
    uint32_t bytes = 0;
    EXPECT_FALSE(platform.TakeReadCount(12345, bytes));
    EXPECT_EQ(platform.WaitRead(12345, std::chrono::milliseconds(1)), THidWaitResult::Completed);
    platform.UnbindSetupServices();
}

} // namespace
