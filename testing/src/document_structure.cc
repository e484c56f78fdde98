#include "qor/testing/document_structure.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <map>

#include "qor/qt/text_system.h"

namespace qor::fixtures {

std::vector<std::string> documentStructure(const QTextDocument& document) {
  std::map<const void*, int> ids;
  auto id = [&](const void* p) { return std::to_string(ids.emplace(p, static_cast<int>(ids.size())).first->second); };
  std::vector<std::string> rows;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    std::string row = block.text().toStdString();
    if (QTextTable* table = QTextCursor(block).currentTable()) {
      auto cell = table->cellAt(block.position());
      auto format = table->format();
      row += " |T" + id(table) + " " + std::to_string(table->rows()) + "x" + std::to_string(table->columns()) +
             " cell " + std::to_string(cell.row()) + "," + std::to_string(cell.column()) + " span " +
             std::to_string(cell.rowSpan()) + "x" + std::to_string(cell.columnSpan()) + " border " +
             std::to_string(format.border()) + "/" + std::to_string(format.borderStyle()) + " padding " +
             std::to_string(format.cellPadding()) + " widths";
      for (const auto& width : format.columnWidthConstraints())
        row += " " + std::to_string(width.type()) + ":" + std::to_string(width.rawValue());
    }
    if (QTextList* list = block.textList()) {
      auto format = list->format();
      row += " |L" + id(list) + " style " + std::to_string(format.style()) + " indent " +
             std::to_string(format.indent()) + " item " + list->itemText(block).toStdString();
    }
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      QTextCharFormat format = fragment.fragment().charFormat();
      if (format.isImageFormat())
        row += " |picture " + std::to_string(format.toImageFormat().width()) + "x" +
               std::to_string(format.toImageFormat().height());
    }
    QFont shown = QTextCursor(block).charFormat().font();
    if (!block.text().isEmpty()) {
      QTextCursor inside(block);
      inside.movePosition(QTextCursor::NextCharacter);
      shown = inside.charFormat().font();
    }
    row += " |font " + describe(fontAttributesOfFont(shown));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace qor::fixtures
