#include "XmlLimits.h"
#include "XmlNode.h"

#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tormakelin::core {

namespace {

constexpr size_t kTerminatorPadding = 8;
constexpr const char* kCdataEnd = "]]>";
// A CDATA section cannot hold its own terminator: it is closed after "]]" and a new section
// opens for the ">".
constexpr const char* kCdataEndSplit = "]]]]><![CDATA[>";

std::string splitCdataEnds(const std::string& text)
{
    std::string out;
    size_t from = 0;
    for (size_t at = text.find(kCdataEnd); at != std::string::npos; at = text.find(kCdataEnd, from)) {
        out.append(text, from, at - from);
        out += kCdataEndSplit;
        from = at + 3;
    }
    out.append(text, from, std::string::npos);
    return out;
}

// The node after `node` in document order below `root`, walked without recursion.
TiXmlNode* nextInOrder(TiXmlNode* node, const TiXmlNode* root)
{
    if (node->FirstChild()) {
        return node->FirstChild();
    }
    while (node != root) {
        if (node->NextSibling()) {
            return node->NextSibling();
        }
        node = node->Parent();
    }
    return nullptr;
}

// Texts whose CDATA must be split for printing, with their real values to put back.
void collectCdataEnds(TiXmlNode* root, std::vector<std::pair<TiXmlText*, std::string>>& found)
{
    for (TiXmlNode* node = root; node; node = nextInOrder(node, root)) {
        TiXmlText* text = node->ToText();
        if (text && text->CDATA() && text->ValueStr().find(kCdataEnd) != std::string::npos) {
            found.emplace_back(text, text->ValueStr());
        }
    }
}

// Adjacent text pieces (split CDATA sections among them) become one text node again, each run
// joined once so that many pieces cost no more than their text.
void mergeAdjacentTexts(TiXmlNode* root)
{
    for (TiXmlNode* node = root; node; node = nextInOrder(node, root)) {
        for (TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
            TiXmlText* text = child->ToText();
            if (!text || !child->NextSibling() || !child->NextSibling()->ToText()) {
                continue;
            }
            std::string joined = text->ValueStr();
            bool cdata = text->CDATA();
            while (TiXmlNode* next = child->NextSibling()) {
                if (!next->ToText()) {
                    break;
                }
                joined += next->ValueStr();
                cdata = cdata || next->ToText()->CDATA();
                node->RemoveChild(next);
            }
            text->SetValue(joined);
            text->SetCDATA(cdata);
        }
    }
}

class XmlDocument : public RefCounted<IXmlDocument> {
public:
    bool create(const std::string& rootName) override
    {
        m_document = std::make_unique<TiXmlDocument>();
        m_document->LinkEndChild(new TiXmlElement(rootName));
        return true;
    }

    bool load(IStream* stream) override
    {
        if (!stream) {
            return false;
        }
        const unsigned int size = stream->getSize();
        // The parser steps over a whole UTF-8 sequence at once, so a lead byte at the very end
        // would carry it past a single terminator: the zeros after the text cover the longest one.
        std::vector<char> text(size_t(size) + kTerminatorPadding, '\0');
        const unsigned int got = stream->read(text.data(), size);
        // The parser can step over a zero inside a multi-byte sequence and read on, where the
        // check does not look: nothing after the first zero is kept.
        std::fill(text.begin() + std::ptrdiff_t(strnlen(text.data(), got)), text.end(), '\0');
        if (!xmlWithinLimits(text.data(), got)) {
            Debug(DebugWarning, __FILE__, __LINE__, "xml")
                << "XML text refused before parsing: nested deeper than " << kMaxXmlDepth << " levels, more than "
                << kMaxXmlAttributes << " attributes on one element, or a broken declaration";
            m_document.reset();
            return false;
        }
        m_document = std::make_unique<TiXmlDocument>();
        m_document->Parse(text.data(), nullptr, TIXML_ENCODING_UTF8);
        if (m_document->Error()) {
            m_document.reset();
            return false;
        }
        mergeAdjacentTexts(m_document.get());
        return true;
    }

    bool load(const std::string& fileName) override
    {
        SmartRef<IStream> stream(g_fileSystem ? g_fileSystem->open(fileName) : nullptr);
        if (!stream) {
            m_document.reset();
            return false;
        }
        return load(stream.get());
    }

    bool save(const std::string& fileName) override
    {
        SmartRef<IStream> text(save());
        if (!text) {
            return false;
        }
        FileStream file;
        return file.create(fileName, true) && file.write(text->getData(), text->getSize()) == text->getSize();
    }

    IStream* save() override
    {
        if (!m_document) {
            return nullptr;
        }
        const std::string text = render();
        auto* data = static_cast<char*>(std::malloc(text.size() + 1));
        if (!data) {
            return nullptr;
        }
        std::memcpy(data, text.c_str(), text.size() + 1);
        return createMemStream(data, unsigned(text.size()), true, true);
    }

    IXmlNode* getRoot() override { return m_document ? XmlNode::wrap(m_document->FirstChildElement()) : nullptr; }

    IXmlNode* addElement(IXmlNode* parent, const std::string& name) override
    {
        TiXmlNode* node = parentElement(parent);
        return node ? XmlNode::wrap(node->LinkEndChild(new TiXmlElement(name))) : nullptr;
    }

    IXmlNode* addText(IXmlNode* parent, const std::string& text) override
    {
        TiXmlNode* node = parentElement(parent);
        if (!node) {
            return nullptr;
        }
        auto* child = new TiXmlText(text);
        child->SetCDATA(true);
        return XmlNode::wrap(node->LinkEndChild(child));
    }

private:
    TiXmlNode* parentElement(IXmlNode* parent) const
    {
        TiXmlNode* node = m_document ? XmlNode::nodeOf(parent) : nullptr;
        return node && node->ToElement() && node->GetDocument() == m_document.get() ? node : nullptr;
    }

    std::string render() const
    {
        std::vector<std::pair<TiXmlText*, std::string>> split;
        collectCdataEnds(m_document.get(), split);
        for (auto& [text, value] : split) {
            text->SetValue(splitCdataEnds(value));
        }
        TiXmlPrinter printer;
        printer.SetIndent("\t");
        printer.SetLineBreak("\r\n");
        m_document->Accept(&printer);
        for (auto& [text, value] : split) {
            text->SetValue(value);
        }
        return printer.Str();
    }

    std::unique_ptr<TiXmlDocument> m_document;
};

} // namespace

IXmlDocument* createXmlDocument() { return new XmlDocument; }

} // namespace tormakelin::core
