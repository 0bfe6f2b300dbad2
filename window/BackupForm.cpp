#include "window/BackupForm.h"

#include "pipeline/startup/StartUp.h"
#include "platform/api/ORVApi.h"
#include "platform/bank/ORV_Bank.h"
#include "resources/BusyResources.h"

namespace tavor {

BackupForm::BackupForm(Platform platform)
    : platform_(std::move(platform)),
      File1_(platform_.files), context_{platform_,  window_,       state_, ApiObject, BankObject,
                                        Connection, MediaPassword, File1_, plan_} {
    tavorInitBusyResources();
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(500);
    QObject::connect(&timer1_, &QTimer::timeout, &timer1_, [this] { Timer1_Timer(); });
    timer1_.start();
}

BackupForm::~BackupForm() = default;

void BackupForm::Load() {
    StartUp(context_).Load();
}

void BackupForm::Timer1_Timer() {
    const QString label = QStringLiteral("Label2");
    model_.setText(label, model_.control(label).text + QLatin1Char('.'));
}

} // namespace tavor
