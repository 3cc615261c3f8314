# Instructions that compiled code seldom or never holds, assembled for the length decoder's
# cross-check against objdump. Each label starts a run the listing names.
	.text

# 67 in 32-bit code: 16-bit addresses, no SIB byte, 16-bit displacements.
address_size_forms:
	movl	(%si), %eax
	movl	0x12(%bx), %eax
	movl	0x1234(%bx), %eax
	movl	$0x12345678, (%bp)
	addr16 movl	0x1234, %ecx
	addr16 movl	0x1234, %eax
	movw	$0x1234, (%bx,%di)
	movl	(%esp), %eax
	ret

# WAIT alone and where the assembler pairs it with an x87 instruction.
wait_forms:
	fstsw	%ax
	fstcw	-2(%ebp)
	finit
	fwait
	nop
	fwait
	fld	%st(1)
	ret
