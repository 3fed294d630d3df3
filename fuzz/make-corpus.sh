#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets:
#   fuzz/make-corpus.sh OUT      -> OUT/file (whole workbooks), OUT/parts (XML parts)
# Seeds: the .xls fixtures of the tests and small .xlsx packages written here (shared and inline
# strings, styles with dates, odd part names), each XML part with its selector byte, and the
# classes of costly input at a size where a step whose work grows faster than its input shows
# (many sheets and relationships, one long shared string used by many cells, many attributes,
# nested namespace declarations, deep nesting, many small cells, an .xls stream of many empty
# shared strings), and parts declared in GBK, GB2312 and GB18030. Inputs may be a few MB and the
# time limit is the reading bound of 2 s, so a slow input is reported as a timeout. Then, for
# example (clang build with -DQUORVANE_FUZZ=ON in build-fuzz):
#   export ASAN_OPTIONS=quarantine_size_mb=16
#   build-fuzz/fuzz/fuzz_workbook_file -fork=1 -len_control=0 -max_len=4000000 -timeout=2 -rss_limit_mb=300 -dict=fuzz/workbook.dict CORPUS OUT/file
#   build-fuzz/fuzz/fuzz_xlsx_parts -fork=1 -len_control=0 -max_len=4000000 -timeout=2 -rss_limit_mb=300 -dict=fuzz/workbook.dict CORPUS OUT/parts
# (-fork: each job holds only part of the corpus; one process holding a corpus of MB-sized inputs
# passes 300 MB by the corpus alone. A small quarantine keeps the address checks' freed memory
# from counting either.)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: $0 OUT}
mkdir -p "$out/file" "$out/parts"
cp "$here"/tests/fixtures/*.xls "$out/file/"
python3 - "$out" <<'PY'
import os, sys, zipfile
out = sys.argv[1]
NS = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
PKG = 'http://schemas.openxmlformats.org/package/2006/relationships'
rels_root = f'<?xml version="1.0"?><Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>'
workbook = (f'<?xml version="1.0"?><workbook xmlns="{NS}" xmlns:r="{REL}"><workbookPr date1904="0"/>'
            '<bookViews><workbookView activeTab="1"/></bookViews><sheets>'
            '<sheet name="隐藏" sheetId="1" state="hidden" r:id="rId1"/><sheet name="学生" sheetId="2" r:id="rId2"/></sheets></workbook>')
wb_rels = (f'<?xml version="1.0"?><Relationships xmlns="{PKG}">'
           f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
           f'<Relationship Id="rId2" Type="{REL}/worksheet" Target="/xl/worksheets/sheet2.xml"/>'
           f'<Relationship Id="rId3" Type="{REL}/sharedStrings" Target="sharedStrings.xml"/>'
           f'<Relationship Id="rId4" Type="{REL}/styles" Target="styles.xml"/></Relationships>')
shared = (f'<?xml version="1.0"?><sst xmlns="{NS}"><si><t>学号</t></si><si><t/></si>'
          '<si><r><rPr><b/></rPr><t>东京</t></r><r><t xml:space="preserve">都 </t></r><rPh sb="0" eb="2"><t>とうきょうと</t></rPh></si>'
          '<si><t>a_x000D_b_xD83D__xDE00_</t></si></sst>')
styles = (f'<?xml version="1.0"?><styleSheet xmlns="{NS}"><numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy/m/d"/>'
          '<numFmt numFmtId="165" formatCode="[h]:mm"/></numFmts><cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="14"/>'
          '<xf numFmtId="31"/><xf numFmtId="164"/></cellXfs></styleSheet>')
def sheet(rows):
    return f'<?xml version="1.0"?><worksheet xmlns="{NS}"><sheetData>{rows}</sheetData></worksheet>'
rows = ('<row r="1"><c r="A1" t="s"><v>0</v></c><c t="s"><v>1</v></c><c t="s"><v>2</v></c><c t="s"><v>3</v></c></row>'
        '<row><c><v>2023007</v></c><c t="inlineStr"><is><t>张三</t></is></c><c s="1"><v>45170</v></c>'
        '<c t="b"><v>1</v></c><c t="e"><v>#N/A</v></c><c t="str"><f>A1</f><v>x</v></c><c t="d"><v>2024-02-29T10:00:00</v></c></row>'
        + ''.join(f'<row r="{r}"><c r="A{r}"><v>{r}</v></c><c r="C{r}" s="2"><v>{45000 + r}</v></c></row>' for r in range(3, 40)))
sheet1 = sheet('<row><c t="inlineStr"><is><t>hidden</t></is></c></row>')
sheet2 = sheet(rows)
def package(name, parts):
    with zipfile.ZipFile(os.path.join(out, 'file', name), 'w', zipfile.ZIP_DEFLATED) as z:
        for n, data in parts:
            z.writestr(n, data)
base = [('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>'),
        ('_rels/.rels', rels_root), ('xl/workbook.xml', workbook), ('xl/_rels/workbook.xml.rels', wb_rels),
        ('xl/sharedStrings.xml', shared), ('xl/styles.xml', styles),
        ('xl/worksheets/sheet1.xml', sheet1), ('xl/worksheets/sheet2.xml', sheet2)]
package('students.xlsx', base)
package('odd-names.xlsx', [(n.replace('/', '\\').upper() if n.startswith('xl/') else n, d) for n, d in base])
package('stored.xlsx', base[:4] + [('xl/worksheets/sheet2.xml', sheet(rows.replace('t="s"', 't="inlineStr"')))])
for i, data in enumerate([wb_rels, workbook, shared, styles, sheet2]):
    with open(os.path.join(out, 'parts', f'part-{i}.bin'), 'wb') as f:
        f.write(bytes([i]) + data.encode('utf-8'))

# The costly classes, as whole packages and as parts.
def relsPart(body):
    return f'<Relationships xmlns="{PKG}">{body}</Relationships>'
n = 20000
many_sheets = workbook.replace('<sheets>', '<sheets>' + ''.join(f'<sheet name="s{i}" sheetId="{i + 3}" r:id="x{i}"/>' for i in range(n)))
many_rels = wb_rels.replace('</Relationships>', ''.join(f'<Relationship Id="y{i}" Type="{REL}/worksheet" Target="w{i}.xml"/>' for i in range(n)) + '</Relationships>')
long_shared = shared.replace('<si><t>学号</t></si>', '<si><t>' + 'x' * 200000 + '</t></si>')
many_uses = sheet(''.join(f'<row><c t="s"><v>0</v></c></row>' for _ in range(5000)))
attributes = sheet('<row><c ' + ' '.join(f'a{i}="1"' for i in range(900)) + '><v>1</v></c></row>' * 50)
namespaces = sheet(''.join(f'<row xmlns:p{i}="u{i}" p{i}:a="1">' for i in range(200)) + '<c><v>1</v></c>' + '</row>' * 200)
deep = sheet('<row><c><v>' + '<a>' * 300 + '1' + '</a>' * 300 + '</v></c></row>')
small_cells = sheet(''.join('<row>' + '<c t="inlineStr"><is><t>x</t></is></c>' * 60 + '</row>' for _ in range(1000)))
entities = '<?xml version="1.0"?><!DOCTYPE x [<!ENTITY e "eeeeeeeeee"><!ENTITY f "&e;&e;&e;&e;">]>' + sheet('<row><c t="inlineStr"><is><t>&f;</t></is></c></row>')[21:]
swap = lambda name, data: [(n_, data if n_ == name else d) for n_, d in base]
package('many-sheets.xlsx', swap('xl/workbook.xml', many_sheets)[:3] + [('xl/_rels/workbook.xml.rels', many_rels)] + base[4:])
package('long-shared.xlsx', swap('xl/sharedStrings.xml', long_shared)[:-1] + [('xl/worksheets/sheet2.xml', many_uses)])
for name, part in [('attributes', attributes), ('namespaces', namespaces), ('deep', deep), ('small-cells', small_cells), ('entities', entities)]:
    package(f'{name}.xlsx', swap('xl/worksheets/sheet2.xml', part))
for i, data in [(1, many_sheets), (0, many_rels), (2, long_shared), (4, many_uses), (4, attributes), (4, namespaces), (4, deep),
                (4, small_cells), (4, entities)]:
    with open(os.path.join(out, 'parts', f'class-{i}-{len(os.listdir(os.path.join(out, "parts")))}.bin'), 'wb') as f:
        f.write(bytes([i]) + data.encode('utf-8'))
# Parts declared in the Chinese encodings, converted before they are parsed.
for i, enc, data in [(2, 'GBK', shared), (4, 'GB18030', sheet2), (4, 'gb2312', sheet2)]:
    body = data.replace('<?xml version="1.0"?>', f'<?xml version="1.0" encoding="{enc}"?>').encode(enc.lower())
    with open(os.path.join(out, 'parts', f'encoding-{enc}.bin'), 'wb') as f:
        f.write(bytes([i]) + body)
    if i == 4:
        package(f'encoding-{enc}.xlsx', swap('xl/worksheets/sheet2.xml', body))
PY
echo "seeds: $(ls "$out/file" | wc -l) files, $(ls "$out/parts" | wc -l) parts in $out"
