#ifndef IODDFILE_H
#define IODDFILE_H

// Reads one IODD device description for the pages of a port: device variants,
// datatypes and variables (looked up on demand, standard variables resolved
// through the standard definitions), and the menu, process-data and editor
// descriptions built from them. Short-lived; the records it returns are
// independent of it.

#include "buildbudget.h"
#include "ioddindex.h"
#include "ioddrecords.h"
#include "standarddefinitions.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class IoddFile : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(IoddFile)

public:
    // Limits against hostile documents: how many elements an array variable
    // is expanded into and how deep MenuRef nesting is followed. Menu nodes,
    // values and the work of building them are limited for the whole loaded
    // description together (BuildBudget), not per call.
    static constexpr int maxArrayElements = 4096;
    static constexpr int maxMenuDepth = 32;
    static constexpr int maxMenuNodes = BuildBudget::maxMenuNodes;

    // With a non-empty path the file is read at once, without the standard
    // definitions (use load for those).
    explicit IoddFile(const QString &path = QString(), QObject *parent = nullptr);
    ~IoddFile() override;

    // The language the description's texts are taken in: each text as the
    // description or a language file beside it (LanguageFiles) gives it in
    // that language, else as its primary language does. Empty (the default):
    // the English texts alone, and no language files read. Set before load.
    void setTextLanguage(const QString &language);
    QString textLanguage() const { return m_textLanguage; }

    // Reads the file, then the standard definitions from
    // DataLocations::standardDefinitionsDir(): version 1.1, or 1.0.1 for an
    // IODD 1.0.1 description where those files exist. 0 on success, -1 for
    // an empty path or unreadable file.
    int load(const QString &path);
    // The same, reading the standard definitions from
    // stdBaseDir/std<version>/ instead.
    int load(const QString &path, const QString &stdBaseDir);
    // Why the last read file gave an empty document; empty when it parsed.
    QString errorString() const;
    // Empty while everything built from this description fit its budget;
    // otherwise which limit was reached. What was built up to then is kept.
    QString truncatedNote() const;
    // What building from the loaded description has spent so far.
    const BuildBudget &budget() const;

    // Standard definitions from DataLocations::standardDefinitionsDir()/std<version>/.
    void loadStandardDefinitions(const QString &version);
    // Standard definitions from baseDir/std<version>/.
    void loadStandardDefinitions(const QString &version, const QString &baseDir);
    const StandardDefinitions &standardDefinitions() const;

    // The identity and header of the loaded description (from the same
    // parse, not another read of the file).
    DeviceInfo readDeviceInfo() const;
    // The loaded file's path; empty before a successful load.
    QString filePath() const { return m_path; }
    // The loaded document's root element (null when nothing parsed).
    QDomElement rootElement() const { return m_root; }

    QString textById(const QString &textId, const QString &language) const;
    // The DeviceVariants, read once per loaded document.
    QList<VariantItem> readVariants() const;
    DatatypePtr findDatatype(const QString &id) const;
    DatatypePtr parseDatatype(const QDomElement &element) const;
    // selector: the subindex asked for, or a button value; often empty.
    VariablePtr findVariable(const QString &id, const QString &selector) const;

    EditorItem buildEditor(const DatatypePtr &datatype, const QString &subindex) const;
    TreeItem buildMenu(const QString &menuId);
    // setName: "ObserverRoleMenuSet", "MaintenanceRoleMenuSet" or "SpecialistRoleMenuSet".
    // Built once per set and loaded document; later calls return the same menus.
    QList<TreeItem> roleMenus(const QString &setName);
    // The process data of the first layout (the one used when a device's
    // layout cannot be told).
    TreeItem processDataIn() const;
    TreeItem processDataOut() const;
    // Every layout with its condition, in the description's order; one
    // unconditional layout for a description without alternatives.
    QList<ProcessDataChoice> processDataChoices() const;

    // The events of the description's EventCollection: its own Event
    // elements, then those it takes from the standard definitions
    // (StdEventRef) with the standard texts.
    QList<EventItem> events() const;
    // The system commands (index 2) the description says the device takes:
    // the values listed under its V_SystemCommand, none when it has none.
    QList<int> systemCommands() const;
    // The event with this code as the description names it, else as the
    // standard definitions do; empty fields when neither knows the code.
    EventItem findEvent(quint16 code) const;

private:
    // The text of `textId` in the text language, as setTextLanguage says.
    QString text(const QString &textId) const;
    VariablePtr restrictStandardVariable(const QDomElement &ref, const VariablePtr &standard,
                                         const QString &selector) const;
    void readMenuReference(const QDomElement &ref, bool variableRef, TreeItem &node) const;
    void addRecordItemRef(ValueItem item, const VariableItem &variable, TreeItem &node) const;
    void addVariableRef(ValueItem item, const VariableItem &variable, TreeItem &node) const;
    // The elements of an array variable, all of them or element `only`.
    void addArrayElements(const ValueItem &item, const VariableItem &variable, int only, TreeItem &node) const;
    bool addButton(ValueItem item, const VariableItem &variable, const QString &value, const QString &description,
                   TreeItem &node) const;
    bool keepValue(TreeItem &node, const ValueItem &value) const;
    TreeItem processDataNode(const QDomElement &pd, bool input) const;
    void applyProcessDataPresentation(ValueItem &item, bool input, const QString &pdId) const;
    TreeItem buildMenuNode(const QString &menuId, int depth);
    // The entry a menu condition reads; none for a variable the description lacks.
    QList<ValueItem> conditionEntry(const QString &variableId, const QString &subindex) const;
    int readDocument(const QString &path);
    // The standard definitions' version for the loaded description.
    QString standardVersion(const QString &stdBaseDir) const;

    QDomElement m_root;
    QDomDocument m_document;
    QString m_path;
    QFile m_file;
    QByteArray m_content;
    StandardDefinitions m_stdDefs; // standard definitions, filled by load

    QString m_error;
    QString m_textLanguage;
    QString m_primaryLanguage; // of the loaded document
    mutable IoddIndex m_index;
    QStringList m_menuPath;                      // menu ids being built, outermost first
    QHash<QString, QList<TreeItem>> m_roleMenus; // built role menus by set name
    // Process data built from the loaded document, kept for the next call.
    mutable std::optional<QList<ProcessDataChoice>> m_processDataChoices;
    mutable std::optional<QList<VariantItem>> m_variants;
    mutable BuildBudget m_budget; // spent by every build from this document
    // Variables menu conditions look at, by "variableId:subindex".
    mutable QHash<QString, QList<ValueItem>> m_conditions;
};

#endif // IODDFILE_H
