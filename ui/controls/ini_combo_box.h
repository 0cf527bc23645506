#pragma once

// A drop-down list whose items are the texts of one section of an INI file:
// item n describes the register value n.

#include <QComboBox>

namespace tals {

class TiniComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(QString SectionName READ SectionName WRITE SetSectionName)

public:
    explicit TiniComboBox(QWidget *parent = nullptr);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }
    QString SectionName() const { return m_sectionName; }
    void SetSectionName(const QString &sectionName) { m_sectionName = sectionName; }

    // Replaces the items with the texts of the section: of each line the
    // text after its first "=" (the whole line when it holds none), in file
    // order; blank lines and ";" comments are skipped. A missing section
    // leaves the list empty. False when the file does not exist or cannot
    // be read.
    bool LoadItems();

    // The texts of a section as LoadItems takes them (empty when missing).
    static QStringList SectionItems(const QStringList &fileLines, const QString &section);

private:
    QString m_fileName;
    QString m_sectionName;
};

} // namespace tals
