#pragma once
// Placeholder until the HID transport lands.
class THidDevice {};
class THidDeviceController {};
