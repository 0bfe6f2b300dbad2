#include "pipeline/run/RunTexts.h"

namespace tavor {

const QString RunTexts::CopyingCaption = QStringLiteral("جارس النسخ");
const QString RunTexts::FinishedText = QStringLiteral("انتهت العملية");
const QString RunTexts::NoDriveText =
    QStringLiteral("لم يتم اختيار وحدة التخزين") + QStringLiteral("\r\n") +
    QStringLiteral("الرجاء اختيار وحدة التخزين التي سيتم النسخ عليها");
const QString RunTexts::PlainTargetText =
    QStringLiteral("وحدة التخزين المختارة غير مشفرة") + QStringLiteral("\r\n") +
    QStringLiteral("لا يسمح بالنسخ إلا على وحدة تخزين مشفرة، الرجاء توصيل وحدة تخزين مشفرة "
                   "والبدء بعملية النسخ من جديد");
const QString RunTexts::RemovedText =
    QStringLiteral("تم فصل وحدة التخزين، ويمكنك إزالتها الآن بأمان");
const QString RunTexts::NotRemovedText =
    QStringLiteral("تعذر فصل وحدة التخزين") + QStringLiteral("\r\n") +
    QStringLiteral("النسخة الاحتياطية محفوظة عليها، الرجاء إيقاف وحدة التخزين من النظام قبل "
                   "إزالتها");
const QString RunTexts::PrunedText =
    QStringLiteral("تم حذف %1 من مجلدات النسخ الاحتياطي القديمة لتوفير مساحة على وحدة التخزين");
const QString RunTexts::DriveGoneText =
    QStringLiteral("وحدة التخزين المختارة لم تعد موجودة") + QStringLiteral("\r\n") +
    QStringLiteral("الرجاء إعادة توصيل وحدة التخزين والبدء بعملية النسخ من جديد");

} // namespace tavor
