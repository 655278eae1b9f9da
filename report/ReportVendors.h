#pragma once
// The vendor lines of the report's page footer, chosen by the instrument's model identity.
#include <QString>

struct VendorFooter {
    QString company; // QRLCoop
    QString contact; // QRLTel
};

// Model 1 and model 2 have their vendor's lines; any other identity gets two empty lines.
VendorFooter VendorFooterFor(int deviceType);
