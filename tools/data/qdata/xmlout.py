"""Writing the XML descriptions: a small element builder and a writer that
keeps every file safe for the engine's block-wise reader."""

import os

HEADER = '<?xml version="1.0" encoding="ISO-8859-1" ?>'
READ_BLOCK = 1023  # the reader parses files in blocks of this many bytes


def esc(v):
    return (str(v).replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;").replace(">", "&gt;"))


def fmt(v):
    if isinstance(v, bool):
        return "true" if v else "false"
    if isinstance(v, float):
        if v == int(v):
            return str(int(v))
        return ("%.4f" % v).rstrip("0").rstrip(".")
    return str(v)


class E:
    """An element: name, ordered attributes, children, optional comment."""

    def __init__(self, tag, attrs=None, children=None, comment=None, **kw):
        self.name = tag
        self.attrs = list((attrs or {}).items()) + [(k, v) for k, v in kw.items()]
        self.children = list(children or [])
        self.comment = comment

    def add(self, *els):
        for e in els:
            if isinstance(e, (list, tuple)):
                self.children.extend(e)
            else:
                self.children.append(e)
        return self

    def render(self, depth=0, out=None):
        out = [] if out is None else out
        ind = " " * depth
        if self.comment:
            out.append("%s<!-- %s -->" % (ind, self.comment))
        a = "".join(' %s="%s"' % (k, esc(fmt(v))) for k, v in self.attrs if v is not None)
        if not self.children:
            out.append("%s<%s%s/>" % (ind, self.name, a))
        else:
            out.append("%s<%s%s>" % (ind, self.name, a))
            for c in self.children:
                if isinstance(c, str):
                    out.append("%s <!-- %s -->" % (ind, c))
                else:
                    c.render(depth + 1, out)
            out.append("%s</%s>" % (ind, self.name))
        return out


def write_text(path, text):
    """Writes ASCII text; a file whose length is a whole number of reader
    blocks would never get its final parse call, so such a file gets one
    more newline."""
    text.encode("ascii")
    if len(text) % READ_BLOCK == 0:
        text += "\n"
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def write_xml(path, root):
    write_text(path, HEADER + "\n" + "\n".join(root.render()) + "\n")
