#include "report/ReportVendors.h"

// The one place that names the vendors printed under each report page.
VendorFooter VendorFooterFor(int deviceType) {
    switch (deviceType) {
    case 1:
        return {QStringLiteral("青岚川电测仪器有限公司"),
                QStringLiteral("电话：0571-5550-3817    网址：www.qinglanchuan.example")};
    case 2:
        return {QStringLiteral("北溟岭电力检测设备有限公司"),
                QStringLiteral("电话：027-5550-6420  027-5550-6421    网址：www.beiminling.example")};
    default:
        return {};
    }
}
