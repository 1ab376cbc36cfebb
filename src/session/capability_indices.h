// The logical indices of the firmware table that the operations use.
#pragma once

namespace varnolo::cap {

// Flag-area offsets
inline constexpr int kDrawerPermission = 3;
inline constexpr int kPrintPermission = 80;

// Working-memory addresses
inline constexpr int kGoodsBaseSize = 15;
inline constexpr int kUseGoodsBaseByte = 16;
inline constexpr int kOption02Byte = 22;
inline constexpr int kTapeFillCounter = 26;
inline constexpr int kReport4Forbidden = 29;
inline constexpr int kCurrentCashierName = 31;
inline constexpr int kCurrentCashier = 32;
inline constexpr int kDiscountDigits = 35;
inline constexpr int kSound = 48;
inline constexpr int kRaiseDigits = 60;
inline constexpr int kDigits = 63;
inline constexpr int kInputMode = 64;
inline constexpr int kRaiseName = 76;
inline constexpr int kExtendedChecksByte = 78;
inline constexpr int kUseCashiersByte = 82;
inline constexpr int kSectionCountByte = 85;
inline constexpr int kTaxModeByte = 86;
inline constexpr int kPrintMode1 = 94;
inline constexpr int kPrintMode2 = 95;
inline constexpr int kReportOutsideShift = 101;
inline constexpr int kCashierCashBase = 104;  // scratch cell at location + 200
inline constexpr int kDiscountName = 107;
inline constexpr int kTaxDigits = 114;
inline constexpr int kUseTaxesByte = 117;
inline constexpr int kTaxNames = 118;
inline constexpr int kDisplay = 133;  // display byte at location + 56
inline constexpr int kLockFlag = 165;
inline constexpr int kDrawerCash = 352;
inline constexpr int kCashierAmounts = 354;
inline constexpr int kRegisterAmounts = 353;
inline constexpr int kSectionAmounts = 355;
inline constexpr int kRegisterCounters = 384;
inline constexpr int kCashierCounters = 385;
inline constexpr int kSectionCounters = 386;
inline constexpr int kSuspendTime = 1509;

// Routine entry points, and the second entries they are called with
inline constexpr int kReport1 = 606;
inline constexpr int kReport1Parameter = 607;
inline constexpr int kVerifyShift = 608;
inline constexpr int kCloseShift = 612;
inline constexpr int kDocumentRun = 617;
inline constexpr int kReport4 = 618;
inline constexpr int kReport4Parameter = 619;
inline constexpr int kReport3 = 620;
inline constexpr int kReport3Parameter = 621;
inline constexpr int kReport5 = 624;
inline constexpr int kReport5Parameter = 625;
inline constexpr int kCloseTape = 628;
inline constexpr int kDeviceTest = 638;
inline constexpr int kReport2 = 660;
inline constexpr int kReport2Parameter = 661;
inline constexpr int kDocumentReset = 885;
inline constexpr int kAnnulPrepare = 899;
inline constexpr int kCashierCash = 948;
inline constexpr int kCashierCashParameter = 949;
inline constexpr int kOpenDrawer = 1504;

}  // namespace varnolo::cap
