// Every text the filter engine writes to the status log or shows on the window, in one
// place. The texts are fixed: users and their scripts read them.
#pragma once

#include <QString>

namespace halvex::texts {

inline const QString kSeparator = QString(86, QLatin1Char('-'));
inline const QString kLoading = QStringLiteral("Loading data for account: ");
inline const QString kLoadError = QStringLiteral("Error loading data for: ");
inline const QString kContinuing = QStringLiteral("Continuing to next email account.");
inline const QString kLoggingIn = QStringLiteral("Logging into account: ");
inline const QString kLoginError = QStringLiteral("Error logging into: ");
inline const QString kCountError = QStringLiteral("Error getting number of emails from: ");
inline const QString kHeaderError = QStringLiteral("Error getting message headers from: ");
inline const QString kSizeError = QStringLiteral("Error getting message size from: ");
inline const QString kDisconnecting = QStringLiteral("Disconnecting from account: ");
inline const QString kDisconnectError = QStringLiteral("Error disconnecting from: ");
inline const QString kExitCycle = QStringLiteral("Exit out of filter process.");
inline const QString kFilteringOn = QStringLiteral("Email Filtering: On");
inline const QString kFilteringOff = QStringLiteral("Email Filtering: Off");
inline const QString kStoppedByUser = QStringLiteral("Terminating process... (Stopped by user.)");
inline const QString kShutdownByUser = QStringLiteral("Terminating process... (Shutdown by user.)");

inline const QString kStartCaption = QStringLiteral("Start Email Filtering");
inline const QString kStopCaption = QStringLiteral("Stop Email Filtering");
inline const QString kTerminatingCaption = QStringLiteral("Terminating...");
inline const QString kExitingCaption = QStringLiteral("Exiting...");

inline const QString kAlertError = QStringLiteral("Error launching email alert program!");
inline const QString kAlertTargetError = QStringLiteral("Error launching file/link for email alert!");

// "Total emails in account 'D' = n"
inline QString total_line(const QString& description, qint32 total) {
  return QStringLiteral("Total emails in account '") + description + QStringLiteral("' = ") +
         QString::number(total);
}
// Descriptions and subjects are joined, never passed through arg(), so a "%1" inside
// one stays as it is.
inline QString message_of(qint32 k, qint32 n) {
  return QStringLiteral("Message %1 of %2 in account: ").arg(k).arg(n);
}
// "Message k of n in account: D marked for deletion."
inline QString deletion_line(qint32 k, qint32 n, const QString& description) {
  return message_of(k, n) + description + QStringLiteral(" marked for deletion.");
}
// The same verdict when nothing is deleted.
inline QString dry_run_deletion_line(qint32 k, qint32 n, const QString& description) {
  return message_of(k, n) + description + QStringLiteral(" would be deleted (dry run).");
}
inline QString processed_line(qint32 k, qint32 n, const QString& description) {
  return QStringLiteral("Processed %1 of %2 in account: ").arg(k).arg(n) + description;
}
inline QString delete_error_line(qint32 k, const QString& description) {
  return QStringLiteral("Error deleting message %1 from: ").arg(k) + description;
}
// Quarantine lines, after the designed ones.
inline QString kept_on_server_line(qint32 k, qint32 n, const QString& description) {
  return message_of(k, n) + description + QStringLiteral(" kept on the server: no copy could be saved in the quarantine.");
}
inline QString retrieve_error_line(qint32 k, const QString& description) {
  return QStringLiteral("Error retrieving message %1 from: ").arg(k) + description;
}
inline QString purged_line(int count, qint32 days) {
  return QStringLiteral("Quarantine: %1 copies older than %2 days purged.").arg(count).arg(days);
}
inline const QString kJournalError = QStringLiteral("Error writing the deletion journal: ");

// After the error lines of a failed request: what the component knows of the failure.
inline QString cause_line(const QString& cause) { return QStringLiteral("Cause: ") + cause; }

// "Email Alert! from - description - subject"
inline QString alert_line(const QString& from, const QString& description, const QString& subject) {
  return QStringLiteral("Email Alert! ") + from + QStringLiteral(" - ") + description +
         QStringLiteral(" - ") + subject;
}

}  // namespace halvex::texts
