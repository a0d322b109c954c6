#include "quarantine_store.h"

#include "copy_id.h"

#include "frame/bstr.h"
#include "frame/exports.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace halvex {

namespace {

// A BSTR copy of a text for the length of one call.
class Bstr {
public:
  explicit Bstr(const QString& text)
      : text_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return text_; }

private:
  BSTR text_;
};

QString take(BSTR text) {
  QString out = text ? QString::fromUtf16(text, static_cast<qsizetype>(SysStringLen(text))) : QString();
  SysFreeString(text);
  return out;
}

}  // namespace

QuarantineStore::QuarantineStore() {
  if (FAILED(VelmoCreateInstance(u"Velmo.MSGSTORE", IMSGSTORE::iid, store_.put_void()))) store_ = {};
  if (store_ && FAILED(store_->QueryInterface(IMSGSTOREBYTES::iid, bytes_.put_void()))) bytes_ = {};
  if (bytes_ && FAILED(bytes_->DeferSync(VARIANT_TRUE))) bytes_ = {};
}

QString QuarantineStore::mailbox_of(const QString& account) {
  QString name;
  for (qsizetype i = 0; i < account.size(); ++i) {
    const QChar c = account.at(i);
    if (c == QLatin1Char('%'))
      name += QStringLiteral("%25");
    else if (c == QLatin1Char('/'))
      name += QStringLiteral("%2F");
    else if (c == QLatin1Char('.') && i == 0)
      name += QStringLiteral("%2E");
    else if (c.unicode() == 0)
      name += QStringLiteral("%00");
    else
      name += c;
  }
  if (name.isEmpty()) name = QStringLiteral("%");
  return kQuarantineMailbox + QLatin1Char('/') + name;
}

std::optional<QString> QuarantineStore::keep(const QString& account, const QByteArray& message,
                                             const QDateTime& now) {
  if (!ok() || message.size() > std::numeric_limits<LONG>::max()) return std::nullopt;
  const QString mailbox = mailbox_of(account);
  const QString id = make_copy_id(now);
  const Bstr box(mailbox), name(id);
  auto save = [&] {
    LONG result = 1;
    bytes_->SaveEmailBytesById(box, reinterpret_cast<const unsigned char*>(message.constData()),
                               static_cast<LONG>(message.size()), name, &result);
    return result == 0;
  };
  // The mailboxes are made once; should one vanish meanwhile, it is made again.
  bool saved = made_.contains(mailbox) && save();
  if (!saved) {
    LONG result = 1;
    store_->CreateMailBox(Bstr(kQuarantineMailbox), &result);  // 1 when it is there already
    store_->CreateMailBox(box, &result);
    saved = save();
  }
  if (!saved) return std::nullopt;
  made_.insert(mailbox);
  // Read the size back: a copy that lost bytes on its way is no copy.
  if (QFileInfo(file_path(account, id)).size() != message.size()) {
    remove(account, id);
    return std::nullopt;
  }
  return id;
}

QString QuarantineStore::file_path(const QString& account, const QString& id) const {
  if (!store_) return {};
  BSTR folder = nullptr;
  store_->GetMailBoxPath(Bstr(mailbox_of(account)), &folder);
  return take(folder) + QLatin1Char('/') + QString::fromLatin1(id.toUtf8().toBase64()) + QStringLiteral(".eml");
}

bool QuarantineStore::exists(const QString& account, const QString& id) const {
  if (!store_) return false;
  LONG result = 1;
  store_->IsEmailExisted(Bstr(mailbox_of(account)), Bstr(id), &result);
  return result == 0;
}

bool QuarantineStore::remove(const QString& account, const QString& id) {
  if (!store_) return false;
  LONG result = 1;
  store_->DeleteEmailById(Bstr(mailbox_of(account)), Bstr(id), &result);
  return result == 0;
}

QList<QString> QuarantineStore::purge_before(const QDateTime& cutoff) {
  QList<QString> purged;
  if (!store_) return purged;
  BSTR root = nullptr;
  store_->GetMailBoxPath(Bstr(kQuarantineMailbox), &root);
  const QStringList folders = QDir(take(root)).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const QString& folder : folders) {
    const QString mailbox = kQuarantineMailbox + QLatin1Char('/') + folder;
    LONG count = 0;
    store_->GetEmailCount(Bstr(mailbox), &count);
    QStringList old;
    for (LONG i = 0; i < count; ++i) {
      BSTR id = nullptr;
      store_->GetEmailId(Bstr(mailbox), i, &id);
      const QString text = take(id);
      const QDateTime made = copy_id_time(text);
      if (made.isValid() && made < cutoff) old.append(text);
    }
    // Deleting by index would shift the indexes; by id it cannot miss one.
    for (const QString& id : old) {
      LONG result = 1;
      store_->DeleteEmailById(Bstr(mailbox), Bstr(id), &result);
      if (result == 0) purged.append(id);
    }
  }
  return purged;
}

}  // namespace halvex
