# The libusb backend test drives an emulated device through umockdev.
if(TARGET tst_usb_libusb)
  if(TARGET PkgConfig::UMOCKDEV)
    target_link_libraries(tst_usb_libusb PRIVATE PkgConfig::UMOCKDEV PkgConfig::LIBUSB)
  else()
    message(WARNING "umockdev not found: tst_usb_libusb cannot be built")
  endif()
endif()
