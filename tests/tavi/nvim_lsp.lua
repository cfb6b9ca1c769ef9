-- Neovim (0.7 and later) as a real client of tavi lsp: opens the file given
-- in $LSP_FILE, waits for the server's diagnostics and writes them to
-- $LSP_OUT as "LINE:COL SEVERITY MESSAGE" (0-based positions), then quits.
local file, out = os.getenv("LSP_FILE"), os.getenv("LSP_OUT")
vim.cmd("edit " .. vim.fn.fnameescape(file))
local buf = vim.api.nvim_get_current_buf()
local id = vim.lsp.start_client({
  name = "tavi",
  cmd = { os.getenv("TAVI"), "lsp" },
  root_dir = vim.fn.fnamemodify(file, ":h"),
})
vim.lsp.buf_attach_client(buf, id)
vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 50)
local lines = {}
for _, d in ipairs(vim.diagnostic.get(buf)) do
  table.insert(lines, string.format("%d:%d %d %s", d.lnum, d.col, d.severity, d.message))
end
vim.fn.writefile(lines, out)
vim.lsp.stop_client(id)
vim.cmd("qa!")
