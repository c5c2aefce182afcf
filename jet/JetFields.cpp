#include "jet/JetObjects.h"

#include "jet/AttachmentData.h"
#include "jet/Values.h"

namespace jet {

[[noreturn]] void RaiseObjectInvalid() { Raise(DaoNumber::ObjectInvalid, u"Object invalid or no longer set."); }

const Variant& DefinitionField::Value() const {
    // A table definition describes fields; only a recordset has values.
    Raise(DaoNumber::InvalidOperation, u"Invalid operation.");
}

const Variant& RecordField::Value() const {
    records_->BeginField();
    if (decoded_ != records_->record_)
        records_->Decode(*this);
    return current_.Value;
}

bool RecordField::StoredTextValue(StoredText& out) const {
    records_->BeginField();
    if (readied_ != records_->record_)
        records_->Ready(*this);
    // Jet3 text is in a code page of the database's, which only the reader knows.
    if (!hasStored_ || records_->context_.Jet3)
        return false;
    out.Encoding = compressed_ ? StoredText::Form::Compressed : StoredText::Form::Utf16;
    out.Bytes = stored_;
    return true;
}

bool RecordField::AttachedFiles(std::vector<AttachedFile>& out) const {
    out.clear();
    if (!Complex || !Complex->FileData)
        return false;
    const Variant& value = Value();
    if (value.Type != VarType::List)
        return true; // NULL: no files
    const ColumnBytes located = records_->layout_->Locate(*column_);
    const auto files = Complex->Files.find(I32(located.Bytes, 0));
    if (files == Complex->Files.end())
        return true;
    FieldValue data;
    for (std::size_t k = 0; k < files->second.size() && k < value.Items.size(); ++k) {
        const StoredAttachment& stored = files->second[k];
        AttachedFile file;
        file.Name = value.Items[k];
        file.Type = stored.Type;
        DecodeValue(*Complex->FileData, ColumnBytes{stored.DataState, ByteSpan(stored.DataBytes)}, records_->context_,
                    data);
        // An attachment without data is a file of no bytes.
        if (data.Value.Type == VarType::Bytes)
            UnpackAttachment(data.Value.Bytes, file.Data);
        out.push_back(std::move(file));
    }
    return true;
}

template <typename T>
const Field& FieldList<T>::Item(int32_t index) const {
    // A negative index turns into one past any size.
    if (static_cast<std::size_t>(index) >= Items.size())
        Raise(DaoNumber::ObjectNotFound, u"Item not found in this collection.");
    return Items[static_cast<std::size_t>(index)];
}

template class FieldList<DefinitionField>;
template class FieldList<RecordField>;

} // namespace jet
