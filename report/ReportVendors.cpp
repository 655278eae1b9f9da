#include "report/ReportVendors.h"

#include <QCoreApplication>

// The one place that names the vendors printed under each report page.
VendorFooter VendorFooterFor(int deviceType) {
    switch (deviceType) {
    case 1:
        return {QCoreApplication::translate("ReportVendors", "青岚川电测仪器有限公司"),
                QCoreApplication::translate("ReportVendors",
                                            "电话：0571-5550-3817    网址：www.qinglanchuan.example")};
    case 2:
        return {QCoreApplication::translate("ReportVendors", "北溟岭电力检测设备有限公司"),
                QCoreApplication::translate(
                    "ReportVendors", "电话：027-5550-6420  027-5550-6421    网址：www.beiminling.example")};
    default:
        return {};
    }
}
