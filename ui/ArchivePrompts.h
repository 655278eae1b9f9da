#pragma once
// The windows' side of the program's archive: shows what the archive object reports, asks whether
// a damaged archive is to be replaced by a new one and, if so, brings the data folder's records
// into the new one and says how many came.
#include <QObject>

class ArchivePrompts : public QObject {
    Q_OBJECT
public:
    // Listens to ProgramArchive::shared() from now on; once, however often it is called.
    static void Install();

private:
    explicit ArchivePrompts(QObject* parent);
    void tell(const QString& message, bool offerNewArchive);
    void makeNewArchive();
};
